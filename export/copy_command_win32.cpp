#include "copy_command.h"

#include "../base/modal_box.h"
#include "../base/texts.h"
#include "clipboard.h"

namespace qrl {

CopyOutcome copyWithNotice(HWND owner, HBITMAP image) noexcept {
    if (!image) return CopyOutcome::NoImage;
    // Success is claimed only once the clipboard holds its copy. Both boxes are the viewer's, so
    // the host's window takes no input while one is up.
    if (copyToClipboard(image, owner)) {
        showModalBox(owner, kCopiedText, kViewerTitle, MB_ICONINFORMATION);
        return CopyOutcome::Copied;
    }
    // A viewer closed while the copy waited for the clipboard has nobody left to tell.
    if (!::IsWindow(owner)) return CopyOutcome::Failed;
    showModalBox(owner, kCopyFailedText, kErrorCaption, MB_ICONERROR);
    return CopyOutcome::Failed;
}

}  // namespace qrl
