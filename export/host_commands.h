#pragma once
// The host's commands forwarded through ListSendCommand.
#include <windows.h>

namespace qrl {

// Handles one host command for a viewer; 0 for success, 1 for error (see command table).
int sendHostCommand(HWND listWin, int command) noexcept;

}  // namespace qrl
