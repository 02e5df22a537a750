#pragma once
// The script commands that act on lister windows and the plugin's windows. Each logs its own
// result and returns an empty string, or says why the line is wrong (a script error).
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

using Args = std::vector<Token>;

std::string runOpen(const Args& args);        // open ID PATH W H [FLAGS]
std::string runLoad(const Args& args);        // load ID PATH [W H]
std::string runLoadParent(const Args& args);  // loadparent null|bogus PATH
std::string runResize(const Args& args);      // resize ID W H
std::string runLayout(const Args& args);      // layout ID
std::string runImage(const Args& args);       // image ID FILE
std::string runShot(const Args& args);        // shot ID FILE
std::string runCommand(const Args& args);     // command ID|null|bogus|host N
std::string runClipboardOwner(const Args& args); // clipowner ID
std::string runClosePlugin(const Args& args); // closeplugin ID|null|bogus|host
std::string runKey(const Args& args);         // key ID KEYS
std::string runClose(const Args& args);       // close ID

}  // namespace testhost
