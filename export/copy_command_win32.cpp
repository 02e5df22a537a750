#include "copy_command.h"

#include "clipboard.h"

namespace qrl {

CopyOutcome copyWithNotice(HWND owner, HBITMAP image) noexcept {
    if (!image) return CopyOutcome::NoImage;
    // Success is claimed only once the clipboard holds its copy.
    if (copyToClipboard(image, owner)) {
        ::MessageBoxW(nullptr, L"QRCode copied", L"QR Code Viewer", MB_ICONINFORMATION);
        return CopyOutcome::Copied;
    }
    ::MessageBoxW(owner, L"The QR Code could not be copied to the clipboard.", L"Error", MB_ICONERROR);
    return CopyOutcome::Failed;
}

}  // namespace qrl
