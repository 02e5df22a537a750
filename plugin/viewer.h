#pragma once
// The viewer window: a child of the host's lister window showing the symbol centred.
#include "win32_handles.h"

namespace qrl {

constexpr wchar_t kViewerClassName[] = L"QRcodeWindowClass";
constexpr wchar_t kViewerTitle[] = L"QR Code Viewer";

// Creates a viewer over parent's client area showing image, fitted to the height when the area
// is shorter. Takes ownership of image: the viewer releases it when it is destroyed, also when
// creation fails. Returns the viewer, or null when it can't be created.
HWND openViewer(HINSTANCE instance, HWND parent, UniqueBitmap image);

// True when window is a live viewer of this module.
bool isViewer(HWND window) noexcept;

// The image a viewer shows: its fitted copy, or the full-size rendering when no fit is needed.
// Owned by the viewer. Null when window is not a viewer.
HBITMAP viewerImage(HWND window) noexcept;

}  // namespace qrl
