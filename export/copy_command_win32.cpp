#include "copy_command.h"

#include "../base/modal_box.h"
#include "clipboard.h"

namespace qrl {

CopyOutcome copyWithNotice(HWND owner, HBITMAP image) noexcept {
    if (!image) return CopyOutcome::NoImage;
    // Success is claimed only once the clipboard holds its copy. Both boxes are the viewer's, so
    // the host's window takes no input while one is up.
    if (copyToClipboard(image, owner)) {
        showModalBox(owner, L"QRCode copied", L"QR Code Viewer", MB_ICONINFORMATION);
        return CopyOutcome::Copied;
    }
    // A viewer closed while the copy waited for the clipboard has nobody left to tell.
    if (!::IsWindow(owner)) return CopyOutcome::Failed;
    showModalBox(owner, L"The QR Code could not be copied to the clipboard.", L"Error", MB_ICONERROR);
    return CopyOutcome::Failed;
}

}  // namespace qrl
