#pragma once
// The plugin's library coming and going as the file manager makes it: unloaded and loaded again
// between files in quick view (a plugin without a load-next entry), and how the plugin windows
// loaded from now on are taken over.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

std::string runUnload(const std::vector<Token>& args);     // unload
std::string runReload(const std::vector<Token>& args);     // reload
std::string runQuickView(const std::vector<Token>& args);  // quickview ID PATH [W H]
std::string runHostMode(const std::vector<Token>& args);   // hostmode plain|tc|tc2|dc

}  // namespace testhost
