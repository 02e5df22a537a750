#pragma once
// The module's live viewers, each from its creation (WM_NCCREATE) to its end (WM_NCDESTROY),
// and the one owner of each viewer's state.
//
// Kept by the module rather than on the window (GWLP_USERDATA is the host's, and the host
// replaces the window procedure to catch its keys): telling a viewer then takes no platform call
// that could fail, and no window of another module or process, nor a stale handle, is ever
// taken for one.
#include <windows.h>

#include <memory>

#include "viewer_state.h"

namespace qrl {

// Notes window as a live viewer of instance and takes state over: state is empty afterwards.
// False when it can't be noted (no memory); state then stays the caller's.
bool addLiveViewer(HWND window, HINSTANCE instance, std::unique_ptr<ViewerState>& state) noexcept;

// Forgets window and releases its state; nothing when window is not a live viewer.
void removeLiveViewer(HWND window) noexcept;

// The state of live viewer window (null for any other window, and for null).
ViewerState* liveViewerState(HWND window) noexcept;
// The same, only for a viewer of instance.
ViewerState* liveViewerState(HINSTANCE instance, HWND window) noexcept;

bool anyLiveViewer() noexcept;

}  // namespace qrl
