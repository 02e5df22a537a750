#pragma once
// Runs a script of host commands (see README.md) against the loaded plugin.
#include <string>

namespace testhost {

// Runs the UTF-8 script text to its end, logging every result. Returns the number of lines
// that could not be run (malformed, unknown command or window); 0 for a clean run.
int runScript(const std::string& text);

}  // namespace testhost
