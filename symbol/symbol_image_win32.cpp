#include "symbol_image.h"

#include <algorithm>
#include <vector>

#include "../base/dib_header.h"
#include "qr_symbol.h"
#include "raster.h"

namespace qrl {
namespace {

// Module rows expanded and copied at a time: 18 KB of 1-bit pixels at the largest symbol.
constexpr int kBandModuleRows = 8;

}  // namespace

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

SymbolImage renderSymbolImage(const std::string& text) {
    SymbolImage image;
    const UniqueSymbol symbol = encodeSymbol(text.c_str());
    if (!symbol) return image;
    image.modules = packModules(symbolModules(*symbol), symbolWidthModules(*symbol));
    image.bitmap = renderModules(image.modules);
    return image;
}

}  // namespace qrl
