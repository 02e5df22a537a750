// The test host's script language: every Wine test speaks it, so a parser that split or
// unescaped a path wrongly would make the tests act on the wrong file and pass for nothing.
#include "tools/testhost/script_parse.h"

#include <gtest/gtest.h>

#include <climits>

namespace testhost {
namespace {

std::vector<std::string> texts(const ScriptLine& line) {
    std::vector<std::string> out;
    for (const Token& token : line.args) out.push_back(token.text);
    return out;
}

TEST(HostScript, SplitsWordsAndUnescapesQuotedPaths) {
    const auto lines = parseScript("open v \"Z:\\\\tmp\\\\a b \\\"x\\\".qr\" 400 300\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].command, "open");
    EXPECT_EQ(texts(lines[0]), (std::vector<std::string>{"v", "Z:\\tmp\\a b \"x\".qr", "400", "300"}));
    EXPECT_FALSE(lines[0].args[0].quoted);
    EXPECT_TRUE(lines[0].args[1].quoted);
    EXPECT_TRUE(lines[0].error.empty());
}

TEST(HostScript, OtherBackslashesInQuotesStayAsTheyAre) {
    const auto lines = parseScript("load v \"C:\\dir\\n.qr\"");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(texts(lines[0]), (std::vector<std::string>{"v", "C:\\dir\\n.qr"}));
}

TEST(HostScript, CommentsBlankLinesAndLineEndsAreDroppedButCounted) {
    const auto lines = parseScript("\xEF\xBB\xBF# first\r\n\r\n  gdi   # probe\r\n\tclose a\n\"#\" quoted\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].command, "gdi");
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_TRUE(lines[0].args.empty());
    EXPECT_EQ(lines[1].command, "close");
    EXPECT_EQ(texts(lines[1]), (std::vector<std::string>{"a"}));
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[2].command, "#");  // a quoted # is a word, not a comment
    EXPECT_EQ(texts(lines[2]), (std::vector<std::string>{"quoted"}));
}

TEST(HostScript, EchoKeepsTheRestOfItsLineAsWritten) {
    const auto lines = parseScript("  echo  two  spaces \"and quotes\"\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rest, "two  spaces \"and quotes\"");
}

TEST(HostScript, AnUnterminatedQuoteIsAnErrorOfItsLine) {
    const auto lines = parseScript("ok 1\nsave v \"Z:\\\\half\nok 2\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].error.empty());
    EXPECT_EQ(lines[1].error, "unterminated quote");
    EXPECT_EQ(lines[1].number, 2);
    EXPECT_TRUE(lines[2].error.empty());
}

TEST(HostScript, IntegersAreWholeWordsInRange) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {{"0", true, 0},        {"-1", true, -1},          {"+7", true, 7},
                          {"2147483647", true, INT_MAX}, {"-2147483648", true, INT_MIN},
                          {"2147483648", false, 0}, {"", false, 0},        {"12px", false, 0},
                          {"0x10", false, 0}};
    for (const Case& c : cases) {
        int value = 99;
        EXPECT_EQ(parseInt(c.text, value), c.ok) << c.text;
        // A refused word leaves the value alone.
        EXPECT_EQ(value, c.ok ? c.value : 99) << c.text;
    }
}

}  // namespace
}  // namespace testhost
