#pragma once
// What the host keeps while it runs: the plugin, the lister windows by name, and the message
// pump every command shares.
#include <windows.h>

#include <map>
#include <string>

#include "plugin_api.h"

namespace testhost {

struct HostState {
    PluginApi plugin;
    std::map<std::string, HWND> listers;  // script ID -> lister window
    std::string newestLister;             // what `host` names in commands
    HWND staleWindow = nullptr;           // a handle that was a window once: `bogus`
    HWND spareWindow = nullptr;           // `host` when no lister window is open
    HWND closedPluginWindow = nullptr;    // `closed`: the plugin window last given to ListCloseWindow
};

HostState& hostState();

// Dispatches every message already queued. Ctrl+C in a lister window becomes the plugin's
// copy command, as in the file manager.
void pumpPending();

// Pumps for durationMs, waking for each new message.
void pumpFor(DWORD durationMs);

// The interactive program's loop: until the last lister window has closed.
void runMessageLoop();

}  // namespace testhost
