#pragma once
// The script commands that act on lister windows and the plugin's windows. Each logs its own
// result and returns an empty string, or says why the line is wrong (a script error).
#include <windows.h>

#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

using Args = std::vector<Token>;

constexpr int kDefaultClientWidthPx = 400;
constexpr int kDefaultClientHeightPx = 300;

// The lister window named id; null when there is none (or it has gone).
HWND listerOf(const std::string& id);

// The lister window named id, made (or resized) to the given client size; a plugin window it
// showed is closed first, as the file manager does before it loads another file.
HWND listerFor(const std::string& id, int widthPx, int heightPx);

// ListLoadW into frame's panel (path null: a null path), the result taken on as the host mode
// says, and logged as "VERB ID ok|none".
std::string loadInto(const std::string& id, HWND frame, const std::wstring* path, int flags, const char* verb);

// W and H at args[at], args[at + 1]: two integers >= 0.
bool readSize(const Args& args, size_t at, int& widthPx, int& heightPx);

// What a command's window argument names: null, bogus, host, closed, foreign (another host
// process's plugin window) or a lister's plugin window (null when it shows none). False for an
// unknown lister.
bool resolveTarget(const std::string& id, HWND& target);

std::string runOpen(const Args& args);        // open ID PATH W H [FLAGS]
std::string runLoad(const Args& args);        // load ID PATH [W H]
std::string runLoadParent(const Args& args);  // loadparent null|bogus PATH
std::string runResize(const Args& args);      // resize ID W H
std::string runLayout(const Args& args);      // layout ID
std::string runImage(const Args& args);       // image ID FILE
std::string runWindows(const Args& args);     // windows ID
std::string runShot(const Args& args);        // shot ID FILE
std::string runCommand(const Args& args);     // command ID|null|bogus|host N
std::string runClipboardOwner(const Args& args); // clipowner ID
std::string runClosePlugin(const Args& args); // closeplugin ID|null|bogus|host
std::string runKey(const Args& args);         // key ID KEYS
std::string runClose(const Args& args);       // close ID
std::string runDestroy(const Args& args);     // destroy ID
std::string runAlive(const Args& args);       // alive ID|closed
std::string runActivate(const Args& args);    // activate ID
std::string runFocus(const Args& args);       // focus ID

}  // namespace testhost
