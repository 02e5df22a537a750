#pragma once
// A content file read whole, as the encoder takes it.
#include <string>

namespace qrl {

// Reads the file at path whole and normalises it (see normaliseContent). A file that can't be
// opened or read, a folder, or a file above kMaxContentBytes gives an empty text; nothing is
// reported here. Long absolute paths are opened through the \\?\ prefix.
std::string loadContentText(const wchar_t* path);

}  // namespace qrl
