#include "modal_box.h"

namespace qrl {
namespace {

// Ended holds whose reference is still taken. The host's user-interface thread is the only one
// that runs the module's code, so a plain count serves.
int endedHolds = 0;

HMODULE thisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&endedHolds), &module);
    return module;
}

}  // namespace

ModuleHold::ModuleHold() noexcept {
    // Without the flag that leaves the count alone, this takes a reference.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&endedHolds),
                              &module_)) {
        module_ = nullptr;
    }
}

ModuleHold::~ModuleHold() {
    if (module_) ++endedHolds;
}

void releaseModuleHolds() noexcept {
    if (endedHolds == 0) return;
    const HMODULE module = thisModule();
    for (; endedHolds > 0; --endedHolds) ::FreeLibrary(module);
}

int showModalBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) noexcept {
    const ModuleHold hold;
    return ::MessageBoxW(owner, text, caption, type);
}

HWND topLevelOwnerOf(HWND window) noexcept {
    return window && ::IsWindow(window) ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

}  // namespace qrl
