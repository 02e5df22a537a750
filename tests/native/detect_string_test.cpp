#include "plugin/detect_string.h"

#include <gtest/gtest.h>

#include <string>

namespace qrl {
namespace {

struct DetectCase {
    int maxLen;
    std::string expected;
};

class CopyDetectString : public ::testing::TestWithParam<DetectCase> {};

TEST_P(CopyDetectString, TruncatesAndNeverOverruns) {
    const DetectCase& c = GetParam();
    char buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    copyDetectString(buffer, c.maxLen);
    if (c.maxLen < 1) {
        EXPECT_EQ(buffer[0], '#') << "nothing may be written";
        return;
    }
    EXPECT_EQ(std::string(buffer), c.expected);
    // Not one byte beyond maxLen.
    for (int i = c.maxLen; i < static_cast<int>(sizeof(buffer)); ++i) ASSERT_EQ(buffer[i], '#') << i;
}

INSTANTIATE_TEST_SUITE_P(Lengths, CopyDetectString,
    ::testing::Values(DetectCase{64, "EXT=\"QR\"|EXT=\"QRCODE\""},
                      DetectCase{22, "EXT=\"QR\"|EXT=\"QRCODE\""},
                      DetectCase{21, "EXT=\"QR\"|EXT=\"QRCODE"},
                      DetectCase{9, "EXT=\"QR\""},
                      DetectCase{1, ""},
                      DetectCase{0, ""},
                      DetectCase{-1, ""}));

TEST(CopyDetectStringNull, NullBufferIsIgnored) { copyDetectString(nullptr, 10); }

}  // namespace
}  // namespace qrl
