#pragma once
// Content text: what a .qr file holds, as the encoder takes it.
#include <cstddef>
#include <string>
#include <string_view>

namespace qrl {

// Files above this size are refused unread: the largest symbol holds under 8 KB of text.
constexpr std::size_t kMaxContentBytes = std::size_t{1} << 20;

// Turns a file's bytes into well-formed UTF-8.
// - One leading byte order mark (EF BB BF) is dropped; any other stays.
// - Each maximal ill-formed subsequence becomes U+FFFD (EF BF BD), as the platform's UTF-8
//   decoder replaces it; well-formed input comes back byte for byte.
// - NUL bytes are kept; the encoder reads the text only up to the first one.
// Reserves half again the input's size up front, so only mostly ill-formed input reallocates.
std::string normaliseContent(std::string_view bytes);

// The same, taking the file's buffer: well-formed input (nearly every file) is returned in that
// buffer, less a leading mark, without a second copy.
std::string normaliseContent(std::string&& bytes);

// True when the bytes are well-formed UTF-8 (no surrogates, no overlongs, nothing above U+10FFFF).
bool isWellFormedUtf8(std::string_view bytes) noexcept;

}  // namespace qrl
