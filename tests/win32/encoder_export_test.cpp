// PNG and JPEG through GDI+: the lossless file must hold exactly the pixels the viewer shows,
// whichever way its pixels were handed over (from the modules, or read back from a fitted image).
#include <cstdint>
#include <string>
#include <vector>

#include "base/dib_header.h"
#include "base/gdiplus_handles.h"
#include "check.h"
#include "export/encoder_export.h"
#include "plugin/stretch.h"
#include "symbol/symbol_image.h"

namespace qrl::wintest {
namespace {

using Gdiplus::DllExports::GdipBitmapGetPixel;
using Gdiplus::DllExports::GdipCreateBitmapFromFile;
using Gdiplus::DllExports::GdipGetImageHeight;
using Gdiplus::DllExports::GdipGetImageWidth;

// The file's pixels as 00RRGGBB, top row first; empty when GDI+ can't read it. GDI+ must run.
std::vector<std::uint32_t> decodedPixels(const std::wstring& path, int& widthPx, int& heightPx) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok) return {};
    const UniqueGpImage owner(bitmap);
    UINT width = 0, height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    widthPx = static_cast<int>(width);
    heightPx = static_cast<int>(height);
    std::vector<std::uint32_t> pixels;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            Gdiplus::ARGB colour = 0;
            GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &colour);
            pixels.push_back(colour & 0x00FFFFFFu);
        }
    }
    return pixels;
}

// What a PNG file's header says of its pixels. The same pixels can come out 1-bit, 8-bit or
// 32-bit; only the header tells a file twenty times the size it needs to be.
struct PngHeader {
    int bitDepth = -1;
    int colourType = -1;  // 3: palette
};

PngHeader pngHeaderOf(const std::wstring& path) {
    const std::string bytes = readFile(path);
    PngHeader header;
    // Signature (8), chunk length (4), "IHDR", width (4), height (4), bit depth, colour type.
    if (bytes.size() < 26 || bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 || bytes.compare(12, 4, "IHDR") != 0) {
        return header;
    }
    header.bitDepth = static_cast<unsigned char>(bytes[24]);
    header.colourType = static_cast<unsigned char>(bytes[25]);
    return header;
}

std::vector<std::uint32_t> shownPixels(HBITMAP bitmap, int widthPx, int heightPx) {
    BITMAPINFO info{};
    info.bmiHeader = dibHeader(widthPx, -heightPx, 32);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(widthPx) * heightPx);
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    ::GetDIBits(dc.get(), bitmap, 0, heightPx, pixels.data(), &info, DIB_RGB_COLORS);
    for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
    return pixels;
}

}  // namespace

// The full-size rendering goes to the encoder as 1-bit pixels expanded from the modules, never
// read back: black must stay black and white white, module for module.
WT_TEST(pngFromTheModulesHoldsTheShownPixels) {
    const GdiplusSession session;
    const SymbolImage symbol = renderSymbolImage("png from the modules");
    const std::wstring path = folder() + L"full.png";
    WT_CHECK(exportWithEncoder({symbol.bitmap.get(), &symbol.modules}, path.c_str(), L"image/png") ==
             WriteOutcome::Written);
    int widthPx = 0, heightPx = 0;
    const std::vector<std::uint32_t> decoded = decodedPixels(path, widthPx, heightPx);
    const int sizePx = rasterSizePx(symbol.modules.widthModules);
    WT_CHECK(widthPx == sizePx && heightPx == sizePx);
    WT_CHECK(!decoded.empty() && decoded == shownPixels(symbol.bitmap.get(), sizePx, sizePx));
    const PngHeader header = pngHeaderOf(path);
    WT_CHECK(header.bitDepth == 1 && header.colourType == 3);
}

// A fitted image has greys: it goes over 8-bit grey and must keep every level.
WT_TEST(pngOfAFittedImageKeepsItsGreys) {
    const GdiplusSession session;
    const SymbolImage symbol = renderSymbolImage("fitted");
    const int fullPx = rasterSizePx(symbol.modules.widthModules);
    const UniqueBitmap fitted = stretchHalftone(symbol.bitmap.get(), {fullPx, fullPx}, {97, 97});
    const std::wstring path = folder() + L"fitted.png";
    WT_CHECK(exportWithEncoder({fitted.get(), nullptr}, path.c_str(), L"image/png") == WriteOutcome::Written);
    int widthPx = 0, heightPx = 0;
    const std::vector<std::uint32_t> decoded = decodedPixels(path, widthPx, heightPx);
    WT_CHECK(widthPx == 97 && heightPx == 97);
    WT_CHECK(!decoded.empty() && decoded == shownPixels(fitted.get(), 97, 97));
    const PngHeader header = pngHeaderOf(path);
    WT_CHECK(header.bitDepth == 8 && header.colourType == 3);
}

WT_TEST(jpegIsWrittenAndUnknownTypesOrNoImageWriteNothing) {
    const SymbolImage symbol = renderSymbolImage("jpeg");
    const ExportImage image{symbol.bitmap.get(), &symbol.modules};
    WT_CHECK(exportWithEncoder(image, (folder() + L"a.jpg").c_str(), L"image/jpeg") == WriteOutcome::Written);
    WT_CHECK(readFile(folder() + L"a.jpg").substr(0, 2) == "\xFF\xD8");
    WT_CHECK(exportWithEncoder(image, (folder() + L"b.gif").c_str(), L"image/gif") == WriteOutcome::Failed);
    WT_CHECK(exportWithEncoder(image, (folder() + L"c.png").c_str(), L"IMAGE/PNG") == WriteOutcome::Failed);
    WT_CHECK(exportWithEncoder({}, (folder() + L"d.png").c_str(), L"image/png") == WriteOutcome::Failed);
    WT_CHECK(namesIn(folder()) == L"a.jpg");
}

}  // namespace qrl::wintest
