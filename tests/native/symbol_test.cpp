#include <gtest/gtest.h>

#include <algorithm>
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

bool bitAt(const std::uint8_t* row, int x) { return row[x >> 3] & (0x80u >> (x & 7)); }

// Module bytes carry library markings in their upper bits, which must not darken a module.
TEST(PackModules, OneBitPerModuleLightIsSetOnlyBitZeroCounts) {
    const int widthModules = 3;
    const std::vector<std::uint8_t> modules = {0x01, 0xC0, 0x81,   //
                                               0xFE, 0x03, 0x00,   //
                                               0x01, 0x01, 0x84};
    const ModuleBits bits = packModules(modules.data(), widthModules);
    ASSERT_EQ(bits.widthModules, 3);
    ASSERT_EQ(bits.rowStrideBytes, 4u);
    ASSERT_EQ(bits.rows.size(), 12u);
    // Row bytes: light modules set, high bit first; padding bits and bytes 0.
    EXPECT_EQ(bits.rows[0], 0x40);  // dark, light, dark
    EXPECT_EQ(bits.rows[4], 0xA0);  // light, dark, light
    EXPECT_EQ(bits.rows[8], 0x20);  // dark, dark, light
    for (int y = 0; y < 3; ++y) {
        for (int k = 1; k < 4; ++k) EXPECT_EQ(bits.rows[y * 4 + k], 0) << "padding of row " << y;
    }
    EXPECT_TRUE(packModules(nullptr, 3).rows.empty());
    EXPECT_TRUE(packModules(modules.data(), 0).rows.empty());
}

struct ExpandCase {
    int widthModules;
    int pixelsPerModule;
};

class ExpandModuleBits : public ::testing::TestWithParam<ExpandCase> {};

// Every pixel is its module's colour, rows are padded with zero bits, and nothing past the
// used bytes of a row is written (strides may be wider than the row).
TEST_P(ExpandModuleBits, EveryPixelIsItsModule) {
    const auto [widthModules, pixelsPerModule] = GetParam();
    std::vector<std::uint8_t> modules(static_cast<std::size_t>(widthModules) * widthModules);
    for (std::size_t i = 0; i < modules.size(); ++i) modules[i] = static_cast<std::uint8_t>((i * 7 + i / 5) % 3 == 0);
    const ModuleBits bits = packModules(modules.data(), widthModules);
    const int sizePx = widthModules * pixelsPerModule;
    const std::size_t usedBytes = oneBitRowStrideBytes(sizePx);
    const std::size_t strideBytes = usedBytes + 4;
    std::vector<std::uint8_t> out(strideBytes * sizePx, 0xA5);
    expandModuleBits(bits, pixelsPerModule, out.data(), strideBytes);
    for (int y = 0; y < sizePx; ++y) {
        const std::uint8_t* row = &out[y * strideBytes];
        for (int x = 0; x < sizePx; ++x) {
            const bool dark = modules[(y / pixelsPerModule) * widthModules + x / pixelsPerModule] & 1;
            ASSERT_EQ(bitAt(row, x), !dark) << x << "," << y;
        }
        for (std::size_t x = sizePx; x < usedBytes * 8; ++x) ASSERT_FALSE(bitAt(row, static_cast<int>(x)));
        for (std::size_t k = usedBytes; k < strideBytes; ++k) ASSERT_EQ(row[k], 0xA5) << "past the row, " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExpandModuleBits,
                         ::testing::Values(ExpandCase{1, 1}, ExpandCase{3, 10}, ExpandCase{21, 10},
                                           ExpandCase{33, 1}, ExpandCase{25, 3}, ExpandCase{177, 10}));

// The renderer expands a band of module rows at a time: the bands must piece together exactly the
// whole image, and a band reaching past the last row must stop there.
TEST(ExpandModuleRows, BandsPieceTogetherTheWholeImage) {
    const UniqueSymbol symbol = encodeSymbol("bands of module rows");
    ASSERT_NE(symbol, nullptr);
    const ModuleBits bits = packModules(symbolModules(*symbol), symbolWidthModules(*symbol));
    const int sizePx = rasterSizePx(bits.widthModules);
    const std::size_t strideBytes = oneBitRowStrideBytes(sizePx);
    std::vector<std::uint8_t> whole(strideBytes * sizePx);
    expandModuleBits(bits, kModulePx, whole.data(), strideBytes);
    for (const int bandRows : {1, 3, 8, bits.widthModules, bits.widthModules + 5}) {
        std::vector<std::uint8_t> pieced(whole.size(), 0xA5);
        for (int first = 0; first < bits.widthModules; first += bandRows) {
            const std::size_t offset = static_cast<std::size_t>(first) * kModulePx * strideBytes;
            std::vector<std::uint8_t> band(strideBytes * kModulePx * bandRows, 0xA5);
            expandModuleRows(bits, first, bandRows, kModulePx, band.data(), strideBytes);
            const int written = std::min(bandRows, bits.widthModules - first) * kModulePx;
            std::copy(band.begin(), band.begin() + written * strideBytes, pieced.begin() + offset);
            // Rows past the symbol's last are not touched.
            EXPECT_TRUE(std::all_of(band.begin() + written * strideBytes, band.end(), [](auto b) { return b == 0xA5; }))
                << "band of " << bandRows << " from row " << first;
        }
        EXPECT_EQ(pieced, whole) << "bands of " << bandRows;
    }
}

TEST(ExpandModuleBits, FinderPatternFillsTheTopLeftCornerWithoutMargin) {
    const UniqueSymbol symbol = encodeSymbol("a");
    ASSERT_NE(symbol, nullptr);
    const ModuleBits bits = packModules(symbolModules(*symbol), symbolWidthModules(*symbol));
    const int sizePx = rasterSizePx(bits.widthModules);
    ASSERT_EQ(sizePx, 210);
    const std::size_t strideBytes = oneBitRowStrideBytes(sizePx);
    ASSERT_EQ(strideBytes, 28u);
    std::vector<std::uint8_t> out(strideBytes * sizePx);
    expandModuleBits(bits, kModulePx, out.data(), strideBytes);
    const auto light = [&](int x, int y) { return bitAt(&out[y * strideBytes], x); };
    // 7x7 modules: dark ring, light ring, dark 3x3 core; the outer ring starts at pixel 0.
    for (int i = 0; i < 70; ++i) {
        EXPECT_FALSE(light(i, 0));
        EXPECT_FALSE(light(0, i));
        EXPECT_FALSE(light(i, 69));
        EXPECT_FALSE(light(69, i));
    }
    EXPECT_TRUE(light(15, 15));
    EXPECT_FALSE(light(35, 35));
    EXPECT_TRUE(light(75, 5));  // separator right of the pattern
}

}  // namespace
}  // namespace qrl
