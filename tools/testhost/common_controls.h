#pragma once
// The common controls the file manager runs with: version 6, chosen by the program's manifest
// (testhost.manifest) and initialised at start-up. Plugins get themed controls from it, the
// version that behaves differently from the system's default one.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// InitCommonControlsEx for the classes a file manager uses. False on failure.
bool initCommonControls();

std::string runComctl(const std::vector<Token>& args);  // comctl

}  // namespace testhost
