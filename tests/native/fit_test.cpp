#include "plugin/fit.h"

#include <gtest/gtest.h>

namespace qrl {
namespace {

struct FitCase {
    SizePx image;
    int clientHeightPx;
    SizePx expected;
};

class FitToHeight : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToHeight, ShrinksOnlyWhenTallerAndTruncates) {
    const FitCase& c = GetParam();
    EXPECT_EQ(fitToHeight(c.image, c.clientHeightPx), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FitToHeight,
    ::testing::Values(
        FitCase{{210, 210}, 300, {210, 210}},   // fits: unchanged
        FitCase{{210, 210}, 210, {210, 210}},   // exactly as tall: unchanged
        FitCase{{210, 210}, 150, {150, 150}},
        FitCase{{290, 290}, 73, {72, 72}},      // single-precision product truncates one short
        FitCase{{210, 210}, 0, {0, 0}},         // nothing to draw
        FitCase{{330, 330}, 1, {0, 0}},         // 330 * (1/330) truncates to 0
        FitCase{{210, 210}, -5, {0, 0}},
        FitCase{{1770, 1770}, 900, {900, 900}}));

TEST(FitToHeight, NeverLargerAndNeverZeroForReasonableHeights) {
    for (int modules = 21; modules <= 177; modules += 4) {
        const SizePx image{modules * 10, modules * 10};
        for (int height = 2; height < image.height; height += 7) {
            const SizePx fitted = fitToHeight(image, height);
            EXPECT_LE(fitted.height, height);
            EXPECT_GE(fitted.height, height - 1) << "image " << image.height << " height " << height;
            EXPECT_EQ(fitted.width, fitted.height);
        }
    }
}

TEST(CentreIn, TruncatesTowardZeroOnBothSides) {
    EXPECT_EQ(centreIn({210, 210}, 400, 300).x, 95);
    EXPECT_EQ(centreIn({210, 210}, 400, 300).y, 45);
    EXPECT_EQ(centreIn({150, 150}, 400, 150).x, 125);
    EXPECT_EQ(centreIn({150, 150}, 400, 150).y, 0);
    // Larger than the client area: negative offsets, truncated toward zero (-45 / 2 = -22).
    EXPECT_EQ(centreIn({255, 255}, 210, 210).x, -22);
    EXPECT_EQ(centreIn({1770, 1770}, 0, 0).y, -885);
    // An odd margin: the spare pixel goes right and below, never left and above (191 / 2 = 95,
    // where rounding up would give 96).
    EXPECT_EQ(centreIn({210, 210}, 401, 301).x, 95);
    EXPECT_EQ(centreIn({210, 210}, 401, 301).y, 45);
}

}  // namespace
}  // namespace qrl
