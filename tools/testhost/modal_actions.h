#pragma once
// What the file manager may do while one of the plugin's modal windows (a message box, the save
// dialog) is up: its own windows that stay enabled take input, and its timers run. The plugin
// must survive either, even when the host closes its viewer and frees its library meanwhile.
#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// whilemodal [N] down ID PATH: at the next (or N-th next) modal window the user presses Down in the file list of
//   lister ID, as in quick view. The key is delivered only while that lister window is enabled,
//   as the system delivers input; then quick view moves on to PATH (see quickview).
//   Logs `down ID delivered` (then quickview's lines) or `down ID ignored`.
// whilemodal [N] timer ID: at the next (or N-th next) modal window a timer of the host closes lister ID's plugin
//   window and frees the library, enabled or not. Logs `timer ID` and unload's line.
// whilemodal [N] destroy ID: at the next (or N-th next) modal window the host destroys lister
//   window ID itself (its plugin window goes with it, ListCloseWindow is not called) and frees
//   the library. Logs `destroy ID` and unload's line.
std::string runWhileModal(const std::vector<Token>& args);

// Called by the dialog driver when it sees a new modal window of the plugin, before answering it.
void onModalWindow();

// baredialog N: the host opens N save dialogs of its own (cancelled at once by the driver), for
// what the platform's dialog leaves behind without the plugin. Logs `baredialog N`.
std::string runBareDialog(const std::vector<Token>& args);

// classinfo: whether the plugin's viewer class is still registered for the module base the
// plugin was last loaded at (`class registered` / `class none`), also after it was freed.
std::string runClassInfo(const std::vector<Token>& args);

// module: whether the plugin's library is still in the process at the base it was last loaded
// at (`module loaded` / `module gone`), also after the host freed it.
std::string runModuleInfo(const std::vector<Token>& args);

}  // namespace testhost
