#pragma once
// The file manager's lister window: a resizable top-level window whose client area the plugin's
// window fills. The plugin window is taken over as the host mode says, kept filling the client
// area, gets the keyboard focus whenever the lister window is activated, and is closed through
// ListCloseWindow before the lister window goes.
#include <windows.h>

#include <string>

#include "host_subclass.h"
#include "plugin_api.h"

namespace testhost {

// The lister windows' class: also how another host process's lister windows are found.
constexpr wchar_t kListerClassName[] = L"QrlTestHostLister";

// Creates a visible lister window with a clientW x clientH client area (0 allowed), titled
// title. interactive: closing it (the user) ends the program once no lister window is left.
// Null on failure.
HWND createListerWindow(int clientWidthPx, int clientHeightPx, const std::wstring& title, bool interactive);

// Resizes the client area of a lister window; the plugin window follows at once.
void resizeListerClient(HWND frame, int clientWidthPx, int clientHeightPx);

// The lister window's client panel: the parent the plugin is given, always exactly the client
// size asked for (also 0 high, which the frame itself can't be under Wine).
HWND panelOf(HWND frame);

// The plugin window shown in a lister window (null for none); set after ListLoadW.
HWND pluginWindowOf(HWND frame);

// Takes on the window ListLoadW returned (none: nothing): the lister window holds a reference
// of its own to the plugin's library while it shows the window (as each lister window loads the
// plugin it uses), and subclasses it as mode says.
void attachPluginWindow(HWND frame, HWND pluginWindow, const PluginApi& api, HostMode mode);

// As a user's click on the lister window: brings it to the front; the plugin window (if any)
// gets the focus.
void clickListerWindow(HWND frame);

// ListCloseWindow on the plugin window (if any), as the file manager does before it closes a
// lister or loads another file into it; then lets go of the library.
void closePluginWindow(HWND frame);

// closePluginWindow, then the lister window itself.
void closeListerWindow(HWND frame);

}  // namespace testhost
