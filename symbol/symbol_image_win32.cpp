#include "symbol_image.h"

#include <algorithm>
#include <vector>

#include "../base/dib_header.h"
#include "../base/long_path.h"
#include "../base/modal_box.h"
#include "content_text.h"
#include "qr_symbol.h"
#include "raster.h"

namespace qrl {
namespace {

// Module rows expanded and copied at a time: 18 KB of 1-bit pixels at the largest symbol.
constexpr int kBandModuleRows = 8;

}  // namespace

std::string loadContentText(const wchar_t* path) {
    if (path == nullptr || *path == L'\0') return {};
    UniqueFile file(::CreateFileW(extendedLengthPath(std::wstring(path)).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    LARGE_INTEGER sizeBytes{};
    if (!::GetFileSizeEx(file.get(), &sizeBytes) || sizeBytes.QuadPart < 0 ||
        static_cast<unsigned long long>(sizeBytes.QuadPart) > kMaxContentBytes) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(sizeBytes.QuadPart), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD readBytes = 0;
        if (!::ReadFile(file.get(), &bytes[filled], static_cast<DWORD>(bytes.size() - filled), &readBytes, nullptr)) {
            return {};
        }
        if (readBytes == 0) break;  // the file shrank while we read it
        filled += readBytes;
    }
    bytes.resize(filled);
    return normaliseContent(std::move(bytes));
}

void showNotHandledBox(HWND owner) noexcept {
    showModalBox(owner, L"The file is too large or not handled", L"Error", MB_ICONERROR);
}

UniqueBitmap renderModules(const ModuleBits& modules) noexcept {
    try {
        const int widthModules = modules.widthModules;
        const int sizePx = rasterSizePx(widthModules);
        if (widthModules <= 0 || modules.rows.size() < modules.rowStrideBytes * widthModules) return {};
        UniqueBitmap bitmap;
        UniqueMemoryDc dc;
        {
            const ScreenDc screen;
            if (!screen.get()) return {};
            bitmap.reset(::CreateCompatibleBitmap(screen.get(), sizePx, sizePx));
            dc.reset(::CreateCompatibleDC(screen.get()));
        }
        if (!bitmap || !dc) return {};
        const SelectGuard select(dc.get(), bitmap.get());
        if (!select.ok()) return {};

        // A two-colour source: index 0 black, 1 white, both with a fourth byte of 0.
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[2];
        } info{};
        info.header = dibHeader(sizePx, 0, 1);  // each band sets its own height
        info.header.biClrUsed = 2;
        info.colours[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
        // The full-size image at one bit per pixel, a band of module rows at a time, each copied
        // unscaled: a scaling transfer goes through full-size 32-bit temporaries of the platform's,
        // and a small band stays in memory already touched.
        const std::size_t strideBytes = oneBitRowStrideBytes(sizePx);
        std::vector<std::uint8_t> band(strideBytes * kModulePx * kBandModuleRows);
        for (int firstRow = 0; firstRow < widthModules; firstRow += kBandModuleRows) {
            const int bandRows = std::min(kBandModuleRows, widthModules - firstRow);
            const int bandPx = bandRows * kModulePx;
            expandModuleRows(modules, firstRow, bandRows, kModulePx, band.data(), strideBytes);
            info.header.biHeight = -bandPx;  // top row first
            const int lines = ::StretchDIBits(dc.get(), 0, firstRow * kModulePx, sizePx, bandPx, 0, 0, sizePx, bandPx,
                                              band.data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                              SRCCOPY);
            if (lines <= 0) return {};  // 0 or GDI_ERROR: nothing was drawn
        }
        ::GdiFlush();
        return bitmap;
    } catch (...) {
        return {};  // the band could not be allocated
    }
}

SymbolImage renderSymbolImage(const std::string& text, HWND boxOwner) {
    SymbolImage image;
    const UniqueSymbol symbol = encodeSymbol(text.c_str());
    if (!symbol) {
        showNotHandledBox(boxOwner);
        return image;
    }
    image.modules = packModules(symbolModules(*symbol), symbolWidthModules(*symbol));
    image.bitmap = renderModules(image.modules);
    return image;
}

}  // namespace qrl
