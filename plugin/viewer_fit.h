#pragma once
// What a viewer shows: its image fitted to the viewer's height, in its image control, centred.
#include <windows.h>

#include <initializer_list>

#include "viewer_state.h"

namespace qrl {

// The viewer's own image control is its first (and only) child; never a recorded handle that
// may belong to another viewer or be gone. Null when it has none.
HWND imageControlOf(HWND viewer) noexcept;

// Fits the shown image to viewer's client height from the full-size rendering, then centres the
// image control. A fit that would have no pixels is skipped: the viewer keeps what it shows.
void fitAndCentre(HWND viewer, ViewerState& state) noexcept;

// Gives control (may be null: nothing happens) image to show, one of state's or none.
void setControlImage(HWND control, const ViewerState& state, HBITMAP image) noexcept;

// Gives the image control image to show. The image the control hands back is deleted when it is
// none of owned (nor image): a copy the control made for itself.
void replaceControlImage(HWND control, HBITMAP image, std::initializer_list<HBITMAP> owned) noexcept;

}  // namespace qrl
