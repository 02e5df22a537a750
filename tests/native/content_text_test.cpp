#include "symbol/content_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qrl {
namespace {

using namespace std::string_literals;

struct NormaliseCase {
    const char* name;
    std::string bytes;
    std::string expected;
};

class NormaliseContent : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseContent, GivesWellFormedUtf8) {
    const NormaliseCase& c = GetParam();
    const std::string text = normaliseContent(std::string_view(c.bytes));
    EXPECT_EQ(text, c.expected);
    EXPECT_TRUE(isWellFormedUtf8(text));
    // The buffer-taking form, which skips the copy for well-formed files, must agree, also on the
    // ill-formed inputs it hands on.
    const std::string fromBuffer = normaliseContent(std::string(c.bytes));
    EXPECT_EQ(fromBuffer, text);
    EXPECT_EQ(fromBuffer, c.expected);
}

const std::string kFffd = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Cases, NormaliseContent,
    ::testing::Values(
        NormaliseCase{"Empty", "", ""},
        NormaliseCase{"MarkOnly", "\xEF\xBB\xBF", ""},
        NormaliseCase{"OnlyOneMarkDropped", "\xEF\xBB\xBF\xEF\xBB\xBF" "A", "\xEF\xBB\xBF" "A"},
        // Ill-formed input takes the copying path in both forms: the second mark must stay there too.
        NormaliseCase{"SecondMarkKeptBeforeLatin1", "\xEF\xBB\xBF\xEF\xBB\xBF\xE9", "\xEF\xBB\xBF" + kFffd},
        NormaliseCase{"SecondMarkKeptLatin1Later", "\xEF\xBB\xBF\xEF\xBB\xBF" "caf\xE9", "\xEF\xBB\xBF" "caf" + kFffd},
        NormaliseCase{"MarkInsideStays", "A\xEF\xBB\xBF", "A\xEF\xBB\xBF"},
        NormaliseCase{"CrLfKept", "line one\r\nline two", "line one\r\nline two"},
        NormaliseCase{"WellFormedUnchanged", "\xC3\x84pfel \xE2\x82\xAC \xD0\x90 \xE6\x97\xA5 \xF0\x9F\x98\x80",
                      "\xC3\x84pfel \xE2\x82\xAC \xD0\x90 \xE6\x97\xA5 \xF0\x9F\x98\x80"},
        NormaliseCase{"Latin1Byte", "caf\xE9", "caf" + kFffd},
        NormaliseCase{"Utf16LeWithMark", "\xFF\xFE" "A\0B\0"s, kFffd + kFffd + "A\0B\0"s},
        NormaliseCase{"NulKept", "a\0b"s, "a\0b"s},
        NormaliseCase{"TruncatedAtEnd", "ab\xE2\x82", "ab" + kFffd},
        // One replacement per maximal subpart: E2 82 is one, the stray 41 resumes.
        NormaliseCase{"TruncatedInMiddle", "\xE2\x82" "A", kFffd + "A"},
        NormaliseCase{"StrayContinuations", "\x80\xBF", kFffd + kFffd},
        NormaliseCase{"Overlong", "\xC0\xAF", kFffd + kFffd},
        NormaliseCase{"OverlongThreeByte", "\xE0\x80\xAF", kFffd + kFffd + kFffd},
        NormaliseCase{"Surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
        NormaliseCase{"AboveMaxCodePoint", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
        NormaliseCase{"F5AndAbove", "\xF5\xFF", kFffd + kFffd},
        NormaliseCase{"LargestCodePoint", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NormaliseContent, LongAsciiAndMixedRunsSurviveWhole) {
    std::string bytes(5000, 'x');
    bytes[2500] = '\xC3';  // a lead byte followed by ASCII: one replacement, nothing lost
    const std::string text = normaliseContent(bytes);
    EXPECT_EQ(text.size(), bytes.size() + 2);
    EXPECT_EQ(text.substr(2500, 3), kFffd);
    EXPECT_EQ(text.back(), 'x');
}

TEST(IsWellFormedUtf8, RejectsWhatNormalisingReplaces) {
    EXPECT_TRUE(isWellFormedUtf8("plain"));
    EXPECT_TRUE(isWellFormedUtf8("\xEF\xBF\xBD"));
    EXPECT_FALSE(isWellFormedUtf8("\xED\xBF\xBF"));
    EXPECT_FALSE(isWellFormedUtf8("\xC3"));
    EXPECT_FALSE(isWellFormedUtf8("\xFE"));
}

}  // namespace
}  // namespace qrl
