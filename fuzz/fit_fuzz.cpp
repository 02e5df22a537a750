// Fit and centring on arbitrary integers. The properties, for an image W x H in a client area
// Hc pixels tall whose right and bottom edges are R and B:
//  - H <= Hc: the size is unchanged.
//  - H > Hc, Hc <= 0 or W <= 0: nothing drawable (0 x 0); the viewer then keeps what it shows.
//  - H > Hc > 0, W > 0, both below 2^20: the fitted width is Hc or Hc - 1 (single-precision
//    rounding loses at most one pixel), so Hc >= 2 always gives a drawable width. For the
//    square images the viewer fits (its renderings), the height equals the width, so a fit
//    never enlarges, never exceeds the client height and is drawable from Hc = 2 on.
//  - Any ints: no overflow and no undefined conversion (the sanitizers watch), sides >= 0.
//    Past 2^24 single precision can't hold the sizes, so a fit may then round up by a few
//    pixels; no rendering comes near that (the largest is 1770).
//  - centreIn: x = (R - W) / 2 truncated, computed without overflow, so the parts cut off (or
//    left empty) on the left and right differ by at most one pixel; likewise for y.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "fuzz_check.h"
#include "plugin/fit.h"

namespace {

constexpr int kExactBelow = 1 << 20;

void checkFit(qrl::SizePx image, int clientHeightPx) {
    const qrl::SizePx fitted = qrl::fitToHeight(image, clientHeightPx);
    if (image.height <= clientHeightPx) {
        FUZZ_REQUIRE(fitted == image);
        return;
    }
    FUZZ_REQUIRE(fitted.width >= 0 && fitted.height >= 0);
    if (clientHeightPx <= 0 || image.width <= 0) {
        FUZZ_REQUIRE(!qrl::isDrawable(fitted));
        return;
    }
    if (image.width == image.height) FUZZ_REQUIRE(fitted.width == fitted.height);
    if (image.width >= kExactBelow || image.height >= kExactBelow) return;
    FUZZ_REQUIRE(fitted.width == clientHeightPx || fitted.width == clientHeightPx - 1);
    if (clientHeightPx >= 2) FUZZ_REQUIRE(fitted.width >= 1);
    if (image.width == image.height) {
        FUZZ_REQUIRE(fitted.height <= clientHeightPx && fitted.height < image.height);
        if (clientHeightPx >= 2) FUZZ_REQUIRE(qrl::isDrawable(fitted));
    }
}

void checkCentre(int sidePx, int edgePx, int offsetPx) {
    const std::int64_t expected = (static_cast<std::int64_t>(edgePx) - sidePx) / 2;
    FUZZ_REQUIRE(offsetPx == expected);
    const std::int64_t before = offsetPx;
    const std::int64_t after = static_cast<std::int64_t>(edgePx) - (static_cast<std::int64_t>(offsetPx) + sidePx);
    FUZZ_REQUIRE(std::llabs(before - after) <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool square = input.ConsumeBool();
    const int width = input.ConsumeIntegral<int>();
    const int height = square ? width : input.ConsumeIntegral<int>();
    const int clientHeightPx = input.ConsumeIntegral<int>();
    const int clientRight = input.ConsumeIntegral<int>();
    const int clientBottom = input.ConsumeIntegral<int>();

    checkFit({width, height}, clientHeightPx);
    const qrl::PointPx at = qrl::centreIn({width, height}, clientRight, clientBottom);
    checkCentre(width, clientRight, at.x);
    checkCentre(height, clientBottom, at.y);
    return 0;
}
