#pragma once
// The plugin's library coming and going as the file manager makes it: unloaded and loaded again
// between files in quick view (a plugin without a load-next entry), and how the plugin windows
// loaded from now on are taken over.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// What the host does to each mapping of the plugin as it is loaded: the save-dialog, file-rule
// and clipboard hooks, the injector's stubs (once started), and its base noted for `classinfo`.
void takeOverLoadedPlugin();

std::string runUnload(const std::vector<Token>& args);     // unload
std::string runReload(const std::vector<Token>& args);     // reload
std::string runQuickView(const std::vector<Token>& args);  // quickview ID PATH [W H]
std::string runHostMode(const std::vector<Token>& args);   // hostmode plain|tc|tc2|dc
std::string runLoadEntry(const std::vector<Token>& args);  // loadentry ansi|wide
std::string runMemory(const std::vector<Token>& args);     // memory
std::string runExit(const std::vector<Token>& args);       // exit

}  // namespace testhost
