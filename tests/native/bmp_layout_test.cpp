#include "export/bmp_layout.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qrl {
namespace {

struct LayoutCase {
    int widthPx, heightPx, bitsPerPixel;
    std::uint32_t rowSizeBytes, imageSizeBytes;
};

class BmpLayoutSizes : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BmpLayoutSizes, RowsPadToFourBytesAndFileAddsTheHeaders) {
    const LayoutCase& c = GetParam();
    const auto layout = computeBmpLayout(c.widthPx, c.heightPx, c.bitsPerPixel);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->rowSizeBytes, c.rowSizeBytes);
    EXPECT_EQ(layout->imageSizeBytes, c.imageSizeBytes);
    EXPECT_EQ(layout->fileSizeBytes, c.imageSizeBytes + 54);
}

INSTANTIATE_TEST_SUITE_P(Cases, BmpLayoutSizes,
    ::testing::Values(
        LayoutCase{210, 210, 32, 840, 840 * 210},        // version 1 symbol
        LayoutCase{150, 150, 24, 452, 452 * 150},        // 450 rounded up
        LayoutCase{1, 1, 24, 4, 4},
        LayoutCase{3, 2, 16, 8, 16},                     // 6 bytes rounded up
        LayoutCase{2, 1, 16, 4, 4},
        LayoutCase{1770, 1770, 32, 7080, 7080 * 1770},   // version 40 symbol
        LayoutCase{149, 1, 24, 448, 448}));              // 447 rounded up

TEST(BmpLayout, RefusesWhatTheHeadersCannotState) {
    EXPECT_FALSE(computeBmpLayout(0, 210, 32));
    EXPECT_FALSE(computeBmpLayout(210, 0, 32));
    EXPECT_FALSE(computeBmpLayout(-210, 210, 32));
    EXPECT_FALSE(computeBmpLayout(210, -210, 32));  // a top-down height would need a negative field
    EXPECT_FALSE(computeBmpLayout(210, 210, 8));    // would need a colour table
    EXPECT_FALSE(computeBmpLayout(210, 210, 0));
    EXPECT_FALSE(computeBmpLayout(65536, 65536, 32));  // 16 GiB: beyond the 32-bit size fields
    EXPECT_FALSE(computeBmpLayout(0x7FFFFFFF, 1, 32));
}

TEST(BmpLayout, LowDepthsAreWrittenAtThirtyTwoBits) {
    for (int bpp : {1, 4, 8}) EXPECT_EQ(bmpFileBitsPerPixel(bpp), 32) << bpp;
    for (int bpp : {16, 24, 32}) EXPECT_EQ(bmpFileBitsPerPixel(bpp), bpp) << bpp;
}

std::uint32_t le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

TEST(BmpLayout, HeadersMatchTheFileFormatFieldByField) {
    const auto layout = computeBmpLayout(210, 210, 32);
    ASSERT_TRUE(layout);
    const auto h = serialiseBmpHeaders(*layout);
    struct Field { int offset, bytes; std::uint32_t value; };
    const Field fields[] = {
        {0, 2, 0x4D42},   {2, 4, 54 + 840 * 210}, {6, 2, 0},  {8, 2, 0},   {10, 4, 54},
        {14, 4, 40},      {18, 4, 210},           {22, 4, 210}, {26, 2, 1}, {28, 2, 32},
        {30, 4, 0},       {34, 4, 840 * 210},     {38, 4, 0}, {42, 4, 0},  {46, 4, 0},
        {50, 4, 0},
    };
    int covered = 0;
    for (const Field& f : fields) {
        EXPECT_EQ(le(h.data() + f.offset, f.bytes), f.value) << "offset " << f.offset;
        covered += f.bytes;
    }
    EXPECT_EQ(covered, 54);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
}

TEST(BmpLayout, LargeWidthsSerialiseAllFourBytes) {
    const auto layout = computeBmpLayout(0x012345, 2, 24);
    ASSERT_TRUE(layout);
    const auto h = serialiseBmpHeaders(*layout);
    EXPECT_EQ(le(h.data() + 18, 4), 0x012345u);
    EXPECT_EQ(le(h.data() + 34, 4), layout->imageSizeBytes);
    EXPECT_EQ(le(h.data() + 2, 4), layout->imageSizeBytes + 54);
}

}  // namespace
}  // namespace qrl
