#pragma once
// The viewer's window class, one per module instance.
#include <windows.h>

namespace qrl {

constexpr wchar_t kViewerClassName[] = L"QRcodeWindowClass";

// The viewer class of instance with procedure as its window procedure, registered on first use;
// 0 when it can't be.
ATOM viewerClass(HINSTANCE instance, WNDPROC procedure) noexcept;

// Unregisters the viewer class of instance when no viewer of this process is alive: a class
// outlives its module otherwise, its procedure pointing into code that is gone.
void unregisterViewerClass(HINSTANCE instance) noexcept;

}  // namespace qrl
