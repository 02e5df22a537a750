#include "modal_box.h"

namespace qrl {
namespace {

// Ended holds whose reference is still taken, and the module they hold (the one handle every
// hold got: asking for it again could fail, and the references would be kept for good). The
// host's user-interface thread is the only one that runs the module's code, so plain variables
// serve.
int endedHolds = 0;
HMODULE heldModule = nullptr;

}  // namespace

ModuleHold::ModuleHold() noexcept {
    // Without the flag that leaves the count alone, this takes a reference.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&endedHolds),
                              &module_)) {
        module_ = nullptr;
    }
}

ModuleHold::~ModuleHold() {
    if (!module_) return;
    heldModule = module_;
    ++endedHolds;
}

void releaseModuleHolds() noexcept {
    for (; endedHolds > 0; --endedHolds) ::FreeLibrary(heldModule);
}

int showModalBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) noexcept {
    const ModuleHold hold;
    return ::MessageBoxW(owner, text, caption, type);
}

HWND topLevelOwnerOf(HWND window) noexcept {
    return window && ::IsWindow(window) ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

}  // namespace qrl
