// Placeholder until the export subsystem lands.
#include "host_commands.h"
#include "save_command.h"

namespace qrl {
void runSaveCommand(HWND) noexcept {}
int sendHostCommand(HWND, int) noexcept { return 1; }
}  // namespace qrl
