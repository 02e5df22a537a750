#pragma once
// Modal boxes and dialogs without the module being freed under them.
//
// While a box or dialog of the module is up, its own message loop runs and the host goes on
// handling whatever reaches its enabled windows, timers included: it may close a viewer and free
// the library, as quick view does between files. The box would then return into unloaded code.
// So the module holds a reference on itself for as long as one is up. That reference can't be
// let go of right after the box: when it is the last one, the code doing so would unmap itself.
// It is let go of at the next call the host makes into an exported function, which the host can
// only make holding a reference of its own.
#include <windows.h>

namespace qrl {

// A reference on this module for the object's lifetime; handed on to the next
// releaseModuleHolds() when it ends.
class ModuleHold {
public:
    ModuleHold() noexcept;
    ~ModuleHold();
    ModuleHold(const ModuleHold&) = delete;
    ModuleHold& operator=(const ModuleHold&) = delete;

private:
    HMODULE module_ = nullptr;
};

// Lets go of the references of the holds that have ended. Only at the entry of an exported
// function, whose caller holds the library.
void releaseModuleHolds() noexcept;

// MessageBoxW under a ModuleHold. owner: the window the box disables while it is up (the
// system disables the owner's top-level window); null only where there is none.
int showModalBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) noexcept;

// The window whose disabling stops the user's input to window while a box is up: its top-level
// ancestor. Null when window is not a window.
HWND topLevelOwnerOf(HWND window) noexcept;

}  // namespace qrl
