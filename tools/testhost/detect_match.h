#pragma once
// The file manager's side of the detect string: does it select a file?
#include <string>

namespace testhost {

// Evaluates a detect string of EXT="X" terms joined by | and &, with ! and parentheses, for
// the file at path. Extensions compare without regard to ASCII case. Terms this host doesn't
// know (FORCE, SIZE, ...) and malformed strings select nothing.
bool detectSelects(const std::string& detectString, const std::wstring& path);

}  // namespace testhost
