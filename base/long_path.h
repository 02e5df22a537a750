#pragma once
// Paths as the file functions take them.
#include <string>

namespace qrl {

// path itself, or, when it is at least MAX_PATH long and absolute (drive or UNC), its
// extended-length form (\\?\C:\... or \\?\UNC\server\...), without which it can't be opened.
// Slashes are turned into backslashes in the extended form, which takes no other separator.
std::wstring extendedLengthPath(const std::wstring& path);

}  // namespace qrl
