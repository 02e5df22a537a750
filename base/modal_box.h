#pragma once
// Modal boxes without the module being freed under them (see module_hold.h).
#include <windows.h>

#include "module_hold.h"

namespace qrl {

// MessageBoxW under a ModuleHold. owner: the window the box disables while it is up (the
// system disables the owner's top-level window); null only where there is none.
int showModalBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) noexcept;

// The window whose disabling stops the user's input to window while a box is up: its top-level
// ancestor. Null when window is not a window.
HWND topLevelOwnerOf(HWND window) noexcept;

}  // namespace qrl
