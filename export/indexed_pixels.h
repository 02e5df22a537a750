#pragma once
// Smaller pixel formats for the lossless encoder: a symbol is black and white, a fitted one grey.
// Handing the encoder 1- or 8-bit indexed pixels instead of 32-bit ones makes PNG files smaller
// and faster to write, with every pixel kept exactly.
#include <cstddef>
#include <cstdint>

namespace qrl {

enum class PixelPalette {
    BlackWhite,  // only 00 00 00 and FF FF FF
    Grey,        // blue = green = red everywhere
    Colour,      // anything else
};

// pixels: top-down rows of 32-bit blue, green, red, X (the fourth byte is ignored),
// rowStrideBytes apart. An image with no pixels counts as BlackWhite.
PixelPalette classifyPixels(const std::uint8_t* pixels, int widthPx, int heightPx,
                            std::size_t rowStrideBytes) noexcept;

// Bytes per row of an indexed image of bitsPerPixel (1 or 8), padded to 4 bytes as the encoder
// requires of its rows.
std::size_t indexedRowStrideBytes(int widthPx, int bitsPerPixel) noexcept;

// Packs a BlackWhite image to 1 bit per pixel, leftmost pixel in the high bit, 1 = white
// (palette: 0 black, 1 white). out holds heightPx rows of indexedRowStrideBytes(widthPx, 1).
void packBlackWhite(const std::uint8_t* pixels, int widthPx, int heightPx, std::size_t rowStrideBytes,
                    std::uint8_t* out) noexcept;

// Packs a Grey image to 8 bits per pixel, the index being the grey level (palette: i → grey i).
// out holds heightPx rows of indexedRowStrideBytes(widthPx, 8).
void packGrey(const std::uint8_t* pixels, int widthPx, int heightPx, std::size_t rowStrideBytes,
              std::uint8_t* out) noexcept;

}  // namespace qrl
