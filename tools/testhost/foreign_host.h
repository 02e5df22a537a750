#pragma once
// A second host process beside this one, as when two file manager windows run at once: it loads
// the same plugin from the same file, so its viewer has the same class name, class atom and
// module base as ours, and differs only in its process. The plugin must never take that viewer
// for one of its own.
#include <windows.h>

#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// foreign start SCRIPT LOG: runs this program again on the same plugin with that script and log,
// and waits (pumping) until one of its lister windows shows a plugin window. Logs
//   foreign ok CLASS class=same|other module=same|other
// (whether its class atom and module are the ones this process's plugin registered the class
// under), or `foreign none` when no viewer came (that process is then ended).
// foreign end: closes its lister windows as a user would (WM_CLOSE) and waits for it to exit:
// `foreign ended CODE` (`foreign killed` when it had to be terminated).
std::string runForeign(const std::vector<Token>& args);

// The other process's plugin window (`foreign` in command, closeplugin, alive); null when none.
HWND foreignPluginWindow();

// Ends the other process, if one runs, as `foreign end` does; at the end of every script.
void endForeignHost();

// wait ID: pumps until lister window ID has been closed by someone else, at most 60 s:
// `wait ID closed` or `wait ID timeout`. What a foreign host's script waits in.
std::string runWait(const std::vector<Token>& args);

}  // namespace testhost
