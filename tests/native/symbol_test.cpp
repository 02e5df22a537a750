#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "symbol/qr_symbol.h"
#include "symbol/raster.h"

namespace qrl {
namespace {

struct CapacityCase {
    const char* name;
    std::string text;
    int expectedVersion;  // 0: the encoder must refuse the text
};

class EncodeSymbol : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(EncodeSymbol, PicksTheSmallestVersionOrRefuses) {
    const CapacityCase& c = GetParam();
    const UniqueSymbol symbol = encodeSymbol(c.text.c_str());
    if (c.expectedVersion == 0) {
        EXPECT_EQ(symbol, nullptr);
        return;
    }
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbolVersion(*symbol), c.expectedVersion);
    EXPECT_EQ(symbolWidthModules(*symbol), 17 + 4 * c.expectedVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Capacity, EncodeSymbol,
    ::testing::Values(
        CapacityCase{"OneLetter", "a", 1},
        CapacityCase{"Empty", "", 0},
        CapacityCase{"LowerCaseAtCapacity", std::string(2953, 'a'), 40},
        CapacityCase{"LowerCaseOneOver", std::string(2954, 'a'), 0},
        // The library still finds numeric runs under the 8-bit hint.
        CapacityCase{"DigitsAtCapacity", std::string(7089, '7'), 40},
        CapacityCase{"DigitsOneOver", std::string(7090, '7'), 0},
        CapacityCase{"UpperCaseAtCapacity", std::string(4296, 'A'), 40},
        CapacityCase{"UpperCaseOneOver", std::string(4297, 'A'), 0},
        // Three-byte characters stay 8-bit: 984 euro signs are 2952 bytes.
        CapacityCase{"EuroSignsAtCapacity", [] { std::string s; for (int i = 0; i < 984; ++i) s += "\xE2\x82\xAC"; return s; }(), 40},
        CapacityCase{"EuroSignsOneOver", [] { std::string s; for (int i = 0; i < 985; ++i) s += "\xE2\x82\xAC"; return s; }(), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EncodeSymbol, StopsAtTheFirstNul) {
    const std::string withNul("ab\0cdefghijklmnopqrstuvwxyz", 27);
    const UniqueSymbol truncated = encodeSymbol(withNul.c_str());
    const UniqueSymbol plain = encodeSymbol("ab");
    ASSERT_NE(truncated, nullptr);
    ASSERT_NE(plain, nullptr);
    const int width = symbolWidthModules(*plain);
    ASSERT_EQ(symbolWidthModules(*truncated), width);
    EXPECT_EQ(std::vector<std::uint8_t>(symbolModules(*truncated), symbolModules(*truncated) + width * width),
              std::vector<std::uint8_t>(symbolModules(*plain), symbolModules(*plain) + width * width));
}

TEST(EncodeSymbol, NonAsciiStaysInEightBitMode) {
    // Under the Kanji hint "Äpfel" (C3 84 70 ...) would code 84 70 as a Shift JIS pair and grow;
    // in 8-bit mode it is six bytes: version 1 holds up to 17.
    const UniqueSymbol symbol = encodeSymbol("\xC3\x84pfel");
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbolVersion(*symbol), 1);
}

// A raster of a hand-made module grid: module bytes carry library markings in their upper bits,
// which must not darken a module.
TEST(PaintModules, TenPixelsPerModuleOnlyBitZeroCounts) {
    const int widthModules = 3;
    const std::vector<std::uint8_t> modules = {0x01, 0xC0, 0x81,   //
                                               0xFE, 0x03, 0x00,   //
                                               0x01, 0x01, 0x84};
    const int sizePx = rasterSizePx(widthModules);
    ASSERT_EQ(sizePx, 30);
    const std::size_t strideBytes = sizePx * 4 + 8;  // rows may be padded
    std::vector<std::uint8_t> pixels(strideBytes * sizePx, 0xAB);
    paintModules(modules.data(), widthModules, pixels.data(), strideBytes);

    for (int y = 0; y < sizePx; ++y) {
        for (int x = 0; x < sizePx; ++x) {
            const bool dark = modules[(y / 10) * widthModules + x / 10] & 1;
            const std::uint8_t* p = &pixels[y * strideBytes + x * 4];
            const std::uint8_t expected = dark ? 0x00 : 0xFF;
            ASSERT_EQ(p[0], expected) << x << "," << y;
            ASSERT_EQ(p[1], expected);
            ASSERT_EQ(p[2], expected);
            ASSERT_EQ(p[3], 0x00) << "fourth byte must stay 0";
        }
        // Padding beyond the row is left alone.
        EXPECT_EQ(pixels[y * strideBytes + sizePx * 4], 0xAB);
    }
}

TEST(PaintModules, FinderPatternFillsTheTopLeftCornerWithoutMargin) {
    const UniqueSymbol symbol = encodeSymbol("a");
    ASSERT_NE(symbol, nullptr);
    const int sizePx = rasterSizePx(symbolWidthModules(*symbol));
    ASSERT_EQ(sizePx, 210);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(sizePx) * sizePx);
    paintModules(symbolModules(*symbol), symbolWidthModules(*symbol), reinterpret_cast<std::uint8_t*>(pixels.data()),
                 sizePx * 4);
    const auto at = [&](int x, int y) { return pixels[y * sizePx + x]; };
    // 7x7 modules: dark ring, light ring, dark 3x3 core; the outer ring starts at pixel 0.
    for (int i = 0; i < 70; ++i) {
        EXPECT_EQ(at(i, 0), kDarkPixel);
        EXPECT_EQ(at(0, i), kDarkPixel);
        EXPECT_EQ(at(i, 69), kDarkPixel);
        EXPECT_EQ(at(69, i), kDarkPixel);
    }
    EXPECT_EQ(at(15, 15), kLightPixel);
    EXPECT_EQ(at(35, 35), kDarkPixel);
    EXPECT_EQ(at(75, 5), kLightPixel);  // separator right of the pattern
}

}  // namespace
}  // namespace qrl
