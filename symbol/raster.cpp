#include "raster.h"

#include <cstring>

namespace qrl {

void paintModules(const std::uint8_t* modules, int widthModules, std::uint8_t* pixels,
                  std::size_t rowStrideBytes) noexcept {
    const int sizePx = rasterSizePx(widthModules);
    const std::size_t rowBytes = static_cast<std::size_t>(sizePx) * 4;
    for (int y = 0; y < widthModules; ++y) {
        // Paint the first pixel row of this module row, then copy it to the other nine.
        std::uint8_t* first = pixels + static_cast<std::size_t>(y) * kModulePx * rowStrideBytes;
        auto* out = reinterpret_cast<std::uint32_t*>(first);
        const std::uint8_t* row = modules + static_cast<std::size_t>(y) * widthModules;
        for (int x = 0; x < widthModules; ++x) {
            const std::uint32_t colour = (row[x] & 1u) ? kDarkPixel : kLightPixel;
            for (int k = 0; k < kModulePx; ++k) *out++ = colour;
        }
        for (int k = 1; k < kModulePx; ++k) std::memcpy(first + k * rowStrideBytes, first, rowBytes);
    }
}

}  // namespace qrl
