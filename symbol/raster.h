#pragma once
// The symbol's raster: ten pixels per module, no margin, 32 bits per pixel.
#include <cstddef>
#include <cstdint>

namespace qrl {

constexpr int kModulePx = 10;
// Blue, green, red, and a fourth byte that stays 0: a static control copies (and leaks)
// bitmaps whose fourth byte is set.
constexpr std::uint32_t kDarkPixel = 0x00000000u;
constexpr std::uint32_t kLightPixel = 0x00FFFFFFu;

// Side of the raster in pixels for a symbol widthModules wide.
constexpr int rasterSizePx(int widthModules) noexcept { return widthModules * kModulePx; }

// Paints a widthModules × widthModules symbol into a top-down raster of rasterSizePx() square.
// modules: row-major, only bit 0 of each byte is read (set = dark).
// pixels: the first row; rowStrideBytes apart, each row at least 4 × rasterSizePx() bytes.
void paintModules(const std::uint8_t* modules, int widthModules, std::uint8_t* pixels,
                  std::size_t rowStrideBytes) noexcept;

}  // namespace qrl
