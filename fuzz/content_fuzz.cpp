// Content normalisation: whatever a file holds, the encoder gets well-formed UTF-8, and
// well-formed files come through untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "symbol/content_text.h"

namespace {

// An independent reading of well-formedness: decode each sequence to its code point by the
// bit patterns and reject overlongs, surrogates and values past U+10FFFF afterwards, instead of
// the lead-byte ranges the module itself uses.
bool wellFormedByDecoding(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        int length = 0;
        std::uint32_t codePoint = 0;
        if ((lead & 0x80) == 0) {
            length = 1, codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[length]) return false;
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return false;
        if (codePoint > 0x10FFFF) return false;
        i += length;
    }
    return true;
}

std::size_t countNul(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += (c == '\0');
    return count;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutOneMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string output = qrl::normaliseContent(input);
    // The form that takes the file's buffer has a path of its own for well-formed input and hands
    // the rest on: whichever path an input takes, both forms give the same text.
    FUZZ_REQUIRE(qrl::normaliseContent(std::string(input)) == output);
    const std::string_view body = withoutOneMark(input);

    FUZZ_REQUIRE(wellFormedByDecoding(output));
    FUZZ_REQUIRE(qrl::isWellFormedUtf8(output));
    FUZZ_REQUIRE(qrl::isWellFormedUtf8(input) == wellFormedByDecoding(input));
    if (wellFormedByDecoding(body)) FUZZ_REQUIRE(output == body);
    // NUL is ASCII: it is never swallowed into a replaced sequence, so the encoder's cut-off at the
    // first NUL sees exactly what the file had before it.
    FUZZ_REQUIRE(countNul(output) == countNul(input));
    FUZZ_REQUIRE(output.substr(0, output.find('\0')) == qrl::normaliseContent(input.substr(0, input.find('\0'))));
    // Each input byte yields at most one replacement character.
    FUZZ_REQUIRE(output.size() <= 3 * body.size());
    // Normalising again changes nothing but a mark that now leads the text.
    FUZZ_REQUIRE(qrl::normaliseContent(output) == withoutOneMark(output));
    return 0;
}
