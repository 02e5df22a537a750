#include "bmp_writer.h"

#include <cstdint>
#include <vector>

#include "../plugin/win32_handles.h"
#include "bmp_layout.h"

namespace qrl {
namespace {

// The image's rows, bottom-up, in the layout's depth. Empty when any row is missing.
std::vector<std::uint8_t> fetchRows(HBITMAP image, const BmpLayout& layout) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = layout.widthPx;
    info.bmiHeader.biHeight = layout.heightPx;  // positive: bottom-up, as the file stores them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = layout.bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> rows(layout.imageSizeBytes);
    // The context only lends its palette to device-dependent images; the image itself is not
    // selected into it, which the fetch does not allow.
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return {};
    const int fetched = ::GetDIBits(dc.get(), image, 0, static_cast<UINT>(layout.heightPx), rows.data(), &info,
                                    DIB_RGB_COLORS);
    if (fetched != layout.heightPx) return {};
    if (layout.bitsPerPixel == 32) {
        for (std::size_t i = 3; i < rows.size(); i += 4) rows[i] = 0;
    }
    return rows;
}

bool writeAll(HANDLE file, const void* data, std::uint32_t sizeBytes) noexcept {
    DWORD written = 0;
    return ::WriteFile(file, data, sizeBytes, &written, nullptr) && written == sizeBytes;
}

}  // namespace

bool writeBmpFile(HBITMAP image, const wchar_t* path) noexcept {
    try {
        if (!image || !path || !*path) return false;
        BITMAP description{};
        if (::GetObjectW(image, sizeof(description), &description) == 0) return false;
        const auto layout = computeBmpLayout(description.bmWidth, description.bmHeight,
                                             bmpFileBitsPerPixel(description.bmBitsPixel));
        if (!layout) return false;
        // Fetched before the file is touched: a failed fetch leaves an existing file alone.
        const std::vector<std::uint8_t> rows = fetchRows(image, *layout);
        if (rows.empty()) return false;
        const auto headers = serialiseBmpHeaders(*layout);

        UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        const bool written = writeAll(file.get(), headers.data(), kBmpFileHeaderBytes) &&
                             writeAll(file.get(), headers.data() + kBmpFileHeaderBytes, kBmpInfoHeaderBytes) &&
                             writeAll(file.get(), rows.data(), layout->imageSizeBytes);
        const bool closed = ::CloseHandle(file.release()) != 0;
        if (written && closed) return true;
        ::DeleteFileW(path);  // ours: we created it; a truncated bitmap is worse than none
        return false;
    } catch (...) {
        return false;
    }
}

}  // namespace qrl
