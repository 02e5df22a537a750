#pragma once
// Another program holding the clipboard open: a window of another thread opens it and keeps it
// open, so every other OpenClipboard fails until it is let go.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// cliphold [MS [free ID AFTER_MS]]: held until cliprelease, or for MS milliseconds from when it
// has the clipboard. With `free`, the holder sends the host's thread a message AFTER_MS in, whose
// handler closes lister ID's plugin window and frees the library (logs `free ID`, unload's line).
std::string runClipHold(const std::vector<Token>& args);
std::string runClipRelease(const std::vector<Token>& args);  // cliprelease

}  // namespace testhost
