// rendercheck.exe — for every symbol version, 1 to 40, renders a text of that version the way
// the plugin does and checks every pixel against libqrencode's modules: dark modules 00 00 00 00,
// light ones FF FF FF 00, each exactly 10 × 10 pixels, nothing else. One line per version:
//   version V WIDTHpx ok | version V WIDTHpx bad=N first=X,Y | version V none
// then "done". The scaling is one StretchDIBits from a 1-bit image: this is what proves it exact.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/dib_header.h"
#include "symbol/qr_symbol.h"
#include "symbol/raster.h"
#include "symbol/symbol_image.h"

namespace {

using namespace qrl;

// Digits and lower-case letters mixed so the library uses several modes; the length is searched.
std::string textOf(int length) {
    std::string text;
    for (int i = 0; i < length; ++i) text.push_back(i % 7 == 3 ? static_cast<char>('0' + i % 10) : static_cast<char>('a' + i % 26));
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

bool readPixels(HBITMAP bitmap, int sizePx, std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader = dibHeader(sizePx, -sizePx, 32);
    pixels.assign(static_cast<std::size_t>(sizePx) * sizePx, 0xA5A5A5A5u);
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    return dc && ::GetDIBits(dc.get(), bitmap, 0, sizePx, pixels.data(), &info, DIB_RGB_COLORS) == sizePx;
}

void checkVersion(int version) {
    const UniqueSymbol symbol = encodeSymbol(textOf(lengthFor(version)).c_str());
    if (!symbol || symbolVersion(*symbol) != version) {
        std::printf("version %d none\n", version);
        return;
    }
    const int widthModules = symbolWidthModules(*symbol);
    const std::uint8_t* modules = symbolModules(*symbol);
    const int sizePx = rasterSizePx(widthModules);
    const UniqueBitmap image = renderModules(packModules(modules, widthModules));
    BITMAP description{};
    std::vector<std::uint32_t> pixels;
    if (!image || ::GetObjectW(image.get(), sizeof(description), &description) == 0 || description.bmWidth != sizePx ||
        description.bmHeight != sizePx || !readPixels(image.get(), sizePx, pixels)) {
        std::printf("version %d none\n", version);
        return;
    }
    long bad = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < sizePx; ++y) {
        for (int x = 0; x < sizePx; ++x) {
            const bool dark = modules[(y / kModulePx) * widthModules + x / kModulePx] & 1u;
            if (pixels[static_cast<std::size_t>(y) * sizePx + x] != (dark ? 0x00000000u : 0x00FFFFFFu)) {
                if (bad++ == 0) firstX = x, firstY = y;
            }
        }
    }
    if (bad == 0) {
        std::printf("version %d %dpx %dbpp ok\n", version, sizePx, description.bmBitsPixel);
    } else {
        std::printf("version %d %dpx bad=%ld first=%d,%d\n", version, sizePx, bad, firstX, firstY);
    }
}

}  // namespace

int main() {
    for (int version = 1; version <= 40; ++version) {
        checkVersion(version);
        std::fflush(stdout);
    }
    std::printf("done\n");
    return 0;
}
