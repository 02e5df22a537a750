#include "fit.h"

#include <cmath>
#include <cstdint>

namespace qrl {
namespace {

// Truncates a single-precision product toward zero, clamped to the int range.
int truncateToInt(float value) noexcept {
    if (!(value > 0.0f)) return 0;  // also catches NaN
    if (value >= 2147483647.0f) return 2147483647;
    return static_cast<int>(value);
}

}  // namespace

SizePx fitToHeight(SizePx image, int clientHeightPx) noexcept {
    if (image.height <= clientHeightPx) return image;
    if (image.width <= 0 || clientHeightPx <= 0) return {0, 0};
    // Single precision on purpose: users have always seen 290 px into 73 give 72 (double: 73).
    // volatile keeps each step in single precision where the compiler would widen it (x87).
    volatile float scale = static_cast<float>(clientHeightPx) / static_cast<float>(image.width);
    volatile float width = static_cast<float>(image.width) * scale;
    volatile float height = static_cast<float>(image.height) * scale;
    return {truncateToInt(width), truncateToInt(height)};
}

PointPx centreIn(SizePx image, int clientRight, int clientBottom) noexcept {
    // 64-bit intermediates: extreme sizes must not overflow the subtraction.
    const std::int64_t x = (static_cast<std::int64_t>(clientRight) - image.width) / 2;
    const std::int64_t y = (static_cast<std::int64_t>(clientBottom) - image.height) / 2;
    return {static_cast<int>(x), static_cast<int>(y)};
}

}  // namespace qrl
