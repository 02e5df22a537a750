#pragma once
// The host's copy command: the shown image onto the clipboard, and the user told how it went.
#include <windows.h>

#include "host_command.h"

namespace qrl {

// Puts a copy of image on the clipboard (see copyToClipboard), opened by owner. Once the
// clipboard holds it, the "QRCode copied" box says so; when it can't be placed, an "Error" box
// says that instead. Both boxes are owned by owner; when owner was destroyed while the copy
// waited for the clipboard, nothing is shown (Failed). No image: nothing happens, no box
// (NoImage).
CopyOutcome copyWithNotice(HWND owner, HBITMAP image) noexcept;

}  // namespace qrl
