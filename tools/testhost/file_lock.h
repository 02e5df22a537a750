#pragma once
// Another program's hold on a file: opened with no sharing at all, so every other open of it
// fails with a sharing violation until it is let go.
#include <string>

#include "script_parse.h"

namespace testhost {

std::string runLock(const std::vector<Token>& args);    // lock PATH
std::string runUnlock(const std::vector<Token>& args);  // unlock PATH

}  // namespace testhost
