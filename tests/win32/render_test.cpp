// The screen images: the rendering of every symbol version, the fit and the clipboard's copy.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/dib_header.h"
#include "check.h"
#include "export/clipboard.h"
#include "plugin/stretch.h"
#include "symbol/qr_symbol.h"
#include "symbol/raster.h"
#include "symbol/symbol_image.h"

namespace qrl::wintest {
namespace {

// Digits and lower-case letters mixed so the library uses several modes; the length is searched.
std::string textOf(int length) {
    std::string text;
    for (int i = 0; i < length; ++i) {
        text.push_back(i % 7 == 3 ? static_cast<char>('0' + i % 10) : static_cast<char>('a' + i % 26));
    }
    return text;
}

int versionOf(int length) {
    const UniqueSymbol symbol = encodeSymbol(textOf(length).c_str());
    return symbol ? symbolVersion(*symbol) : 41;
}

// The shortest text that needs at least `version`: versions grow with length.
int lengthFor(int version) {
    int low = 1, high = 3000;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (versionOf(middle) >= version) high = middle;
        else low = middle + 1;
    }
    return low;
}

struct Pixels {
    int widthPx = 0, heightPx = 0, bitsPerPixel = 0;
    std::vector<std::uint32_t> values;  // top row first
    std::uint32_t at(int x, int y) const { return values[static_cast<std::size_t>(y) * widthPx + x]; }
};

// The bitmap's own size and depth, and its pixels as 32-bit values; empty when unreadable.
Pixels pixelsOf(HBITMAP bitmap) {
    Pixels pixels;
    BITMAP description{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(description), &description)) return pixels;
    BITMAPINFO info{};
    info.bmiHeader = dibHeader(description.bmWidth, -description.bmHeight, 32);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(description.bmWidth) * description.bmHeight,
                                      0xA5A5A5A5u);
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc || ::GetDIBits(dc.get(), bitmap, 0, description.bmHeight, values.data(), &info, DIB_RGB_COLORS) !=
                   description.bmHeight) {
        return pixels;
    }
    pixels = {description.bmWidth, description.bmHeight, description.bmBitsPixel, std::move(values)};
    return pixels;
}

}  // namespace

// The integer scaling, proved for every version: each pixel is its module, 00 00 00 00 or
// FF FF FF 00. One line per version for the runner's log.
WT_TEST(everyVersionIsItsModulesTenPixelsEach) {
    for (int version = 1; version <= 40; ++version) {
        const UniqueSymbol symbol = encodeSymbol(textOf(lengthFor(version)).c_str());
        WT_CHECK(symbol && symbolVersion(*symbol) == version);
        if (!symbol) continue;
        const int widthModules = symbolWidthModules(*symbol);
        const std::uint8_t* modules = symbolModules(*symbol);
        const UniqueBitmap image = renderModules(packModules(modules, widthModules));
        const Pixels pixels = pixelsOf(image.get());
        const int sizePx = rasterSizePx(widthModules);
        long bad = 0;
        if (pixels.widthPx != sizePx || pixels.heightPx != sizePx) bad = -1;
        for (int y = 0; bad >= 0 && y < sizePx; ++y) {
            for (int x = 0; x < sizePx; ++x) {
                const bool dark = modules[(y / kModulePx) * widthModules + x / kModulePx] & 1u;
                bad += pixels.at(x, y) != (dark ? 0x00000000u : 0x00FFFFFFu);
            }
        }
        WT_CHECK(bad == 0);
        std::printf(bad == 0 ? "version %d %dpx %dbpp ok\n" : "version %d %dpx %dbpp bad\n", version, sizePx,
                    pixels.bitsPerPixel);
    }
}

// The fit: the asked size, at the screen's depth, fourth bytes 0, and only greys (the symbol is
// black and white; a smoothing stretch may only mix the two).
WT_TEST(fitIsTheAskedSizeInGreysWithTheFourthByteZero) {
    const SymbolImage symbol = renderSymbolImage(textOf(200));
    const int fullPx = rasterSizePx(symbol.modules.widthModules);
    for (const int targetPx : {fullPx - 1, 150, 73, 1}) {
        const UniqueBitmap fitted = stretchHalftone(symbol.bitmap.get(), {fullPx, fullPx}, {targetPx, targetPx});
        const Pixels pixels = pixelsOf(fitted.get());
        WT_CHECK(pixels.widthPx == targetPx && pixels.heightPx == targetPx);
        WT_CHECK(pixels.bitsPerPixel == 32);
        bool greyOnly = !pixels.values.empty();
        for (const std::uint32_t pixel : pixels.values) {
            const std::uint32_t blue = pixel & 0xFF;
            greyOnly = greyOnly && pixel == (blue | blue << 8 | blue << 16);
        }
        WT_CHECK(greyOnly);
    }
}

// The clipboard's copy is a bitmap of its own with the same pixels: the viewer goes on showing,
// fitting and releasing its image.
WT_TEST(clipboardCopyIsAnotherBitmapWithTheSamePixels) {
    const SymbolImage symbol = renderSymbolImage("copy me");
    const UniqueBitmap copy = clipboardCopyOf(symbol.bitmap.get());
    WT_CHECK(copy && copy.get() != symbol.bitmap.get());
    const Pixels original = pixelsOf(symbol.bitmap.get());
    const Pixels copied = pixelsOf(copy.get());
    WT_CHECK(!original.values.empty() && copied.values == original.values);
    WT_CHECK(!clipboardCopyOf(nullptr));
}

}  // namespace qrl::wintest
