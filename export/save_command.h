#pragma once
// Ctrl+S in the viewer: ask for a file name and write the shown image there.
#include <windows.h>

namespace qrl {

// Runs the whole save command modally, owned by the viewer. The image is looked up only after
// the dialog closes: the viewer may have been resized (or closed) while it was up.
void runSaveCommand(HWND viewer) noexcept;

}  // namespace qrl
