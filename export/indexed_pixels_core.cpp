#include "indexed_pixels.h"

#include <cstring>

namespace qrl {
namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFFu;

std::uint32_t colourAt(const std::uint8_t* row, int x) noexcept {
    std::uint32_t pixel;
    std::memcpy(&pixel, row + static_cast<std::size_t>(x) * 4, sizeof(pixel));
    return pixel & kColourMask;  // little-endian: B | G << 8 | R << 16
}

bool isGrey(std::uint32_t colour) noexcept {
    const std::uint32_t blue = colour & 0xFFu;
    return colour == (blue | blue << 8 | blue << 16);
}

}  // namespace

PixelPalette classifyPixels(const std::uint8_t* pixels, int widthPx, int heightPx,
                            std::size_t rowStrideBytes) noexcept {
    PixelPalette palette = PixelPalette::BlackWhite;
    for (int y = 0; y < heightPx; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * rowStrideBytes;
        for (int x = 0; x < widthPx; ++x) {
            const std::uint32_t colour = colourAt(row, x);
            if (colour == 0 || colour == kColourMask) continue;
            if (!isGrey(colour)) return PixelPalette::Colour;
            palette = PixelPalette::Grey;
        }
    }
    return palette;
}

std::size_t indexedRowStrideBytes(int widthPx, int bitsPerPixel) noexcept {
    if (widthPx <= 0) return 0;
    return (static_cast<std::size_t>(widthPx) * bitsPerPixel + 31) / 32 * 4;
}

void packBlackWhite(const std::uint8_t* pixels, int widthPx, int heightPx, std::size_t rowStrideBytes,
                    std::uint8_t* out) noexcept {
    const std::size_t outStride = indexedRowStrideBytes(widthPx, 1);
    for (int y = 0; y < heightPx; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * rowStrideBytes;
        std::uint8_t* target = out + static_cast<std::size_t>(y) * outStride;
        std::memset(target, 0, outStride);
        for (int x = 0; x < widthPx; ++x) {
            if (colourAt(row, x) != 0) target[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
        }
    }
}

void packGrey(const std::uint8_t* pixels, int widthPx, int heightPx, std::size_t rowStrideBytes,
              std::uint8_t* out) noexcept {
    const std::size_t outStride = indexedRowStrideBytes(widthPx, 8);
    for (int y = 0; y < heightPx; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * rowStrideBytes;
        std::uint8_t* target = out + static_cast<std::size_t>(y) * outStride;
        std::memset(target, 0, outStride);
        for (int x = 0; x < widthPx; ++x) target[x] = row[static_cast<std::size_t>(x) * 4];
    }
}

}  // namespace qrl
