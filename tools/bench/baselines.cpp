#include "baselines.h"

#include "symbol/raster.h"

namespace qrl::bench {

UniqueBitmap renderWithBrushPerModule(const QRcode& symbol) noexcept {
    const int widthModules = symbol.width;
    const int sizePx = rasterSizePx(widthModules);
    UniqueBitmap bitmap;
    UniqueMemoryDc dc;
    {
        ScreenDc screen;
        dc.reset(::CreateCompatibleDC(screen.get()));
        bitmap.reset(::CreateCompatibleBitmap(screen.get(), sizePx, sizePx));
    }
    if (!dc || !bitmap) return {};
    SelectGuard select(dc.get(), bitmap.get());
    const RECT whole{0, 0, sizePx, sizePx};
    ::FillRect(dc.get(), &whole, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    for (int y = 0; y < widthModules; ++y) {
        for (int x = 0; x < widthModules; ++x) {
            const bool dark = symbol.data[y * widthModules + x] & 1u;
            UniqueBrush brush(::CreateSolidBrush(dark ? RGB(0, 0, 0) : RGB(255, 255, 255)));
            const RECT module{x * kModulePx, y * kModulePx, (x + 1) * kModulePx, (y + 1) * kModulePx};
            ::FillRect(dc.get(), &module, brush.get());
        }
    }
    ::GdiFlush();
    return bitmap;
}

}  // namespace qrl::bench
