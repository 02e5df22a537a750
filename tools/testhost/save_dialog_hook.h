#pragma once
// Sees the save dialog's parameters as the plugin passes them.
#include <windows.h>

namespace testhost {

// Routes the plugin's imported GetSaveFileNameW through a wrapper that logs
//   dialog filters="NAME|PATTERN|..." index=N defext=EXT
// and then opens the real dialog. False when the plugin doesn't import the function.
bool hookSaveDialog(HMODULE plugin);

}  // namespace testhost
