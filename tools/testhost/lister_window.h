#pragma once
// The file manager's lister window: a resizable top-level window whose client area the plugin's
// window fills. The plugin window is kept filling it, gets the keyboard focus with it, and is
// closed through ListCloseWindow before the lister window goes.
#include <windows.h>

#include <string>

#include "plugin_api.h"

namespace testhost {

// The plugin every lister window talks to (the host loads one). Not owned.
void setListerPlugin(const PluginApi* api);

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
void setPluginWindow(HWND frame, HWND pluginWindow);

// ListCloseWindow on the plugin window (if any), as the file manager does before it closes a
// lister or loads another file into it.
void closePluginWindow(HWND frame);

// closePluginWindow, then the lister window itself.
void closeListerWindow(HWND frame);

}  // namespace testhost
