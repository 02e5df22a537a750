#include "modal_box.h"

namespace qrl {

int showModalBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) noexcept {
    const ModuleHold hold;
    return ::MessageBoxW(owner, text, caption, type);
}

HWND topLevelOwnerOf(HWND window) noexcept {
    return window && ::IsWindow(window) ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

}  // namespace qrl
