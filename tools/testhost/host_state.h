#pragma once
// What the host keeps while it runs: the plugin, the lister windows by name, and the message
// pump every command shares.
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "host_subclass.h"
#include "plugin_api.h"

namespace testhost {

struct HostState {
    PluginApi plugin;
    std::wstring pluginPath;              // where `reload` and `quickview` load it again from
    std::map<std::string, HWND> listers;  // script ID -> lister window
    std::set<std::string> closedListers;  // IDs whose lister window has gone since it was made
    std::string newestLister;             // what `host` names in commands
    HWND staleWindow = nullptr;           // a handle that was a window once: `bogus`
    HWND spareWindow = nullptr;           // `host` when no lister window is open
    HWND closedPluginWindow = nullptr;    // `closed`: the plugin window last given to ListCloseWindow
    HostMode mode = HostMode::Tc;         // how plugin windows loaded from now on are taken over
    bool ansiLoads = false;               // loads go through ListLoad (`loadentry ansi`)
    HINSTANCE pluginBase = nullptr;       // where the plugin was last loaded, kept after it is freed
};

HostState& hostState();

// The script ID of a lister window; empty for a window that is none.
std::string listerIdOf(HWND frame);

// Dispatches every message already queued. Ctrl+C in a lister window becomes the plugin's
// copy command, as in the file manager.
void pumpPending();

// Pumps for durationMs, waking for each new message.
void pumpFor(DWORD durationMs);

// The interactive program's loop: until the last lister window has closed.
void runMessageLoop();

}  // namespace testhost
