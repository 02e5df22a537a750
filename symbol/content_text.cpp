#include "content_text.h"

#include <utility>

namespace qrl {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence starting at bytes[i], or 0 when it is ill-formed.
// When ill-formed, *subpartLength receives the length of its maximal subpart (at least 1),
// so the decoder resumes exactly where a conforming converter would.
std::size_t sequenceLength(std::string_view bytes, std::size_t i, std::size_t* subpartLength) noexcept {
    const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byteAt(i);
    *subpartLength = 1;
    if (lead < 0x80) return 1;

    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;       // no overlongs
        if (lead == 0xED) high = 0x9F;      // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;       // no overlongs
        if (lead == 0xF4) high = 0x8F;      // nothing above U+10FFFF
    } else {
        return 0;  // C0, C1, F5..FF or a stray continuation byte
    }

    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= bytes.size()) return 0;
        const unsigned char c = byteAt(i + k);
        const unsigned char lo = (k == 1) ? low : 0x80;
        const unsigned char hi = (k == 1) ? high : 0xBF;
        if (c < lo || c > hi) return 0;
        *subpartLength = k + 1;
    }
    return length;
}

}  // namespace

std::string normaliseContent(std::string_view bytes) {
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());

    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);  // a replaced byte grows to three at most
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Runs of ASCII are the common case; copy them whole.
        std::size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
        if (run > i) {
            text.append(bytes.data() + i, run - i);
            i = run;
            continue;
        }
        std::size_t subpart = 1;
        const std::size_t length = sequenceLength(bytes, i, &subpart);
        if (length > 0) {
            text.append(bytes.data() + i, length);
            i += length;
        } else {
            text.append(kReplacement);
            i += subpart;
        }
    }
    return text;
}

std::string normaliseContent(std::string&& bytes) {
    const std::size_t markBytes =
        std::string_view(bytes).substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    if (!isWellFormedUtf8(std::string_view(bytes).substr(markBytes))) return normaliseContent(std::string_view(bytes));
    bytes.erase(0, markBytes);
    return std::move(bytes);
}

bool isWellFormedUtf8(std::string_view bytes) noexcept {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t subpart = 1;
        const std::size_t length = sequenceLength(bytes, i, &subpart);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

}  // namespace qrl
