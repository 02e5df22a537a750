#include "encoder_pixels_win32.h"

#include "../base/dib_header.h"
#include "../base/win32_handles.h"
#include "../symbol/raster.h"
#include "indexed_pixels.h"

namespace qrl {
namespace {

using Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP;
using Gdiplus::DllExports::GdipCreateBitmapFromScan0;
using Gdiplus::DllExports::GdipSetImagePalette;

// ColorPalette declares one entry; this is its layout with room for a full 8-bit palette.
struct Palette256 {
    UINT flags;
    UINT count;
    Gdiplus::ARGB entries[256];
};

UniqueGpImage fullColour(HBITMAP image) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromHBITMAP(image, nullptr, &bitmap) != Gdiplus::Ok) return {};
    return UniqueGpImage(bitmap);
}

// The image as top-down 32-bit rows, 4 × width bytes apart. Empty when any row is missing.
std::vector<std::uint8_t> fetchTopDown32(HBITMAP image, int widthPx, int heightPx) {
    BITMAPINFO info{};
    info.bmiHeader = dibHeader(widthPx, -heightPx, 32);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(widthPx) * heightPx * 4);
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc || ::GetDIBits(dc.get(), image, 0, static_cast<UINT>(heightPx), pixels.data(), &info,
                           DIB_RGB_COLORS) != heightPx) {
        return {};
    }
    return pixels;
}

UniqueGpImage indexed(std::vector<std::uint8_t>& packed, int widthPx, int heightPx, int bitsPerPixel) {
    const Gdiplus::PixelFormat format = bitsPerPixel == 1 ? PixelFormat1bppIndexed : PixelFormat8bppIndexed;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(widthPx, heightPx, static_cast<INT>(indexedRowStrideBytes(widthPx, bitsPerPixel)),
                                  format, packed.data(), &bitmap) != Gdiplus::Ok) {
        return {};
    }
    UniqueGpImage result(bitmap);
    Palette256 palette{};
    palette.flags = Gdiplus::PaletteFlagsGrayScale;
    palette.count = bitsPerPixel == 1 ? 2 : 256;
    for (UINT i = 0; i < palette.count; ++i) {
        const Gdiplus::ARGB level = bitsPerPixel == 1 ? (i ? 0xFFu : 0u) : i;
        palette.entries[i] = 0xFF000000u | level << 16 | level << 8 | level;
    }
    if (GdipSetImagePalette(bitmap, reinterpret_cast<const Gdiplus::ColorPalette*>(&palette)) != Gdiplus::Ok) {
        return {};
    }
    return result;
}

// The full-size rendering, straight from its modules: a 1-bit image a 32nd the size of the
// 32-bit one, with no pixel read back from the screen image.
EncoderSource fromModules(const ModuleBits& modules) {
    EncoderSource source;
    const int sizePx = rasterSizePx(modules.widthModules);
    const std::size_t strideBytes = oneBitRowStrideBytes(sizePx);
    source.pixels.resize(strideBytes * static_cast<std::size_t>(sizePx));
    expandModuleBits(modules, kModulePx, source.pixels.data(), strideBytes);
    source.image = indexed(source.pixels, sizePx, sizePx, 1);
    return source;
}

}  // namespace

EncoderSource makeEncoderSource(const ExportImage& image, EncoderPixels pixels) {
    if (pixels == EncoderPixels::Smallest && image.modules && image.modules->widthModules > 0) {
        return fromModules(*image.modules);
    }
    EncoderSource source;
    BITMAP description{};
    if (pixels == EncoderPixels::Full || ::GetObjectW(image.bitmap, sizeof(description), &description) == 0 ||
        description.bmWidth <= 0 || description.bmHeight <= 0) {
        source.image = fullColour(image.bitmap);
        return source;
    }
    const int widthPx = description.bmWidth;
    const int heightPx = description.bmHeight;
    const std::vector<std::uint8_t> rgb = fetchTopDown32(image.bitmap, widthPx, heightPx);
    const std::size_t strideBytes = static_cast<std::size_t>(widthPx) * 4;
    const PixelPalette palette =
        rgb.empty() ? PixelPalette::Colour : classifyPixels(rgb.data(), widthPx, heightPx, strideBytes);
    if (palette == PixelPalette::Colour) {
        source.image = fullColour(image.bitmap);
        return source;
    }
    const int bitsPerPixel = palette == PixelPalette::BlackWhite ? 1 : 8;
    source.pixels.resize(indexedRowStrideBytes(widthPx, bitsPerPixel) * heightPx);
    if (bitsPerPixel == 1) {
        packBlackWhite(rgb.data(), widthPx, heightPx, strideBytes, source.pixels.data());
    } else {
        packGrey(rgb.data(), widthPx, heightPx, strideBytes, source.pixels.data());
    }
    source.image = indexed(source.pixels, widthPx, heightPx, bitsPerPixel);
    return source;
}

}  // namespace qrl
