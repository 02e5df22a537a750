#include "host_commands.h"

#include "../plugin/viewer.h"
#include "clipboard.h"
#include "host_command.h"

namespace qrl {

int sendHostCommand(HWND listWin, int command) noexcept {
    // The image control, the viewer's first child, is what marks a viewer that shows something.
    const bool viewerWithControl = isViewer(listWin) && ::GetWindow(listWin, GW_CHILD) != nullptr;
    const HostAction action = hostActionFor(command, viewerWithControl);
    if (action != HostAction::CopyImage) return hostCommandResult(action);

    const HBITMAP image = viewerImage(listWin);
    if (!image) return hostCommandResult(action, CopyOutcome::NoImage);
    // Success is claimed only once the clipboard holds its copy.
    if (copyToClipboard(image, listWin)) {
        ::MessageBoxW(nullptr, L"QRCode copied", L"QR Code Viewer", MB_ICONINFORMATION);
        return hostCommandResult(action, CopyOutcome::Copied);
    }
    ::MessageBoxW(listWin, L"The QR Code could not be copied to the clipboard.", L"Error", MB_ICONERROR);
    return hostCommandResult(action, CopyOutcome::Failed);
}

}  // namespace qrl
