#include "bmp_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../base/dib_header.h"
#include "../base/win32_handles.h"
#include "bmp_layout.h"
#include "replacement_file.h"

namespace qrl {
namespace {

// Large enough that the per-call cost of a fetch and a write vanishes, small enough to stay in
// the cache and never cost a fresh full-size buffer.
constexpr std::uint32_t kBandBytes = 128 * 1024;

// Whole words at a time, which the compiler turns into vector code: a byte loop over 12.5 MB
// would cost as much as the fetch itself.
void clearFourthBytes(std::uint8_t* pixels, std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, pixels + i * 4, 4);
        pixel &= 0x00FFFFFFu;  // little-endian: blue, green, red, then the fourth byte
        std::memcpy(pixels + i * 4, &pixel, 4);
    }
}

bool writeAll(HANDLE file, const void* data, std::uint32_t sizeBytes) noexcept {
    DWORD written = 0;
    return ::WriteFile(file, data, sizeBytes, &written, nullptr) && written == sizeBytes;
}

// Fetches the image's rows bottom-up in the layout's depth, band by band, and writes each band
// after the headers. False when a row is missing or a write falls short.
bool writeRows(HBITMAP image, const BmpLayout& layout, HANDLE file) {
    BITMAPINFO info{};
    // Positive height: scan line 0 is the bottom row, as the file stores them.
    info.bmiHeader = dibHeader(layout.widthPx, layout.heightPx, layout.bitsPerPixel);
    const std::uint32_t bandRows = std::max<std::uint32_t>(1, kBandBytes / layout.rowSizeBytes);
    std::vector<std::uint8_t> band(static_cast<std::size_t>(std::min<std::uint32_t>(bandRows, layout.heightPx)) *
                                   layout.rowSizeBytes);
    // The context only lends its palette to device-dependent images; the image itself is not
    // selected into it, which the fetch does not allow.
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    const auto heightRows = static_cast<std::uint32_t>(layout.heightPx);
    for (std::uint32_t first = 0; first < heightRows; first += bandRows) {
        const std::uint32_t rows = std::min(bandRows, heightRows - first);
        if (::GetDIBits(dc.get(), image, first, rows, band.data(), &info, DIB_RGB_COLORS) != static_cast<int>(rows)) {
            return false;
        }
        const std::uint32_t bytes = rows * layout.rowSizeBytes;
        if (layout.bitsPerPixel == 32) clearFourthBytes(band.data(), bytes / 4);
        if (!writeAll(file, band.data(), bytes)) return false;
    }
    return true;
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
        const auto headers = serialiseBmpHeaders(*layout);
        ReplacementFile file{std::wstring(path)};
        if (!file.ok()) return false;
        const bool written = writeAll(file.handle(), headers.data(), kBmpFileHeaderBytes) &&
                             writeAll(file.handle(), headers.data() + kBmpFileHeaderBytes, kBmpInfoHeaderBytes) &&
                             writeRows(image, *layout, file.handle());
        return written && file.commit();
    } catch (...) {
        return false;
    }
}

}  // namespace qrl
