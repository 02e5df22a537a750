#include "comctl6.h"

#include <commctrl.h>

namespace qrl::bench {

Comctl6Scope::Comctl6Scope() noexcept {
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = ::GetModuleHandleW(nullptr);
    request.lpResourceName = MAKEINTRESOURCEW(2);
    context_ = ::CreateActCtxW(&request);
    if (context_ == INVALID_HANDLE_VALUE) return;
    activated_ = ::ActivateActCtx(context_, &cookie_) != FALSE;
    if (activated_) ::InitCommonControls();
}

Comctl6Scope::~Comctl6Scope() {
    if (activated_) ::DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
}

}  // namespace qrl::bench
