#pragma once
// What the real file managers do to the plugin's window right after ListLoadW: they replace its
// window procedure with their own to catch their hotkeys, keeping the old one in a window
// property. The plugin must work through any of these.
#include <windows.h>

#include <string>

namespace testhost {

enum class HostMode {
    Plain,  // leaves the plugin's window alone
    Tc,     // replaces its procedure once, eats plain N and P (next / previous file), never
            // puts the old procedure back: the window is destroyed with the replacement in place
    Tc2,    // Tc, then a second, pass-through replacement on top of the first
    Dc,     // Tc's replacement that also posts every key-down to the parent; the window is moved
            // with MoveWindow and gets its old procedure back just before ListCloseWindow
};

// plain, tc, tc2 or dc. False for anything else.
bool parseHostMode(const std::string& name, HostMode& mode);

// Replaces the plugin window's procedure as mode asks (nothing for Plain).
void subclassPluginWindow(HWND pluginWindow, HostMode mode);

// Puts back what subclassPluginWindow replaced, for the hosts that do so before
// ListCloseWindow (Dc); nothing for the others.
void restoreBeforeClose(HWND pluginWindow, HostMode mode);

}  // namespace testhost
