#pragma once
// Another program holding the clipboard open: a window of another thread opens it and keeps it
// open, so every other OpenClipboard fails until it is let go.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// cliphold [MS]: held until cliprelease, or for MS milliseconds from when it has the clipboard.
std::string runClipHold(const std::vector<Token>& args);
std::string runClipRelease(const std::vector<Token>& args);  // cliprelease

}  // namespace testhost
