#pragma once
// The viewer window: a child of the host's lister window showing the symbol centred, fitted to
// its height (viewer_fit.h), Ctrl+S saving it. Its class: viewer_class.h; the module's list of
// live viewers, which owns each one's state: viewer_list.h.
#include "../base/win32_handles.h"
#include "../export/export_image.h"
#include "../symbol/symbol_image.h"

namespace qrl {

// Creates a viewer over parent's client area showing symbol, fitted to the height when the area
// is shorter. Takes ownership of the symbol: the viewer releases it when it is destroyed, also
// when creation fails. Returns the viewer, or null when it can't be created. instance: the
// module's, which registers the class and owns the windows.
HWND openViewer(HINSTANCE instance, HWND parent, SymbolImage symbol);

// True when window is a live viewer openViewer made for the module instance, from its creation to
// its destruction (the module keeps the list; no window is asked). Host subclassing (a replaced
// window procedure) doesn't matter, and no window of another process or module is one.
bool isViewer(HINSTANCE instance, HWND window) noexcept;

// What a viewer shows: its fitted copy, or the full-size rendering with its modules when no fit
// is needed. Owned by the viewer. Empty when window is not a viewer.
ExportImage viewerImage(HINSTANCE instance, HWND window) noexcept;

}  // namespace qrl
