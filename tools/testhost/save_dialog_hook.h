#pragma once
// Sees the save dialog's parameters as the plugin passes them, and can make it fail.
#include <windows.h>

namespace testhost {

// Routes the plugin's imported GetSaveFileNameW and CommDlgExtendedError through wrappers. The
// first logs
//   dialog filters="NAME|PATTERN|..." index=N defext=EXT maxfile=UNITS flags=0xFLAGS
// and then opens the real dialog, unless a failure is pending (failNextSaveDialog): then it
// logs `dialog failed 0xCODE`, opens nothing and answers FALSE, and the plugin's next
// CommDlgExtendedError answers CODE, as after a dialog that could not run. False when the
// plugin doesn't import GetSaveFileNameW.
bool hookSaveDialog(HMODULE plugin);

// The next save dialog fails with this extended error instead of opening.
void failNextSaveDialog(DWORD extendedError);

// The plugin's next CommDlgExtendedError answers extendedError: for a dialog call that failed
// before it reached the hook (the fault injector's).
void answerNextExtendedError(DWORD extendedError);

}  // namespace testhost
