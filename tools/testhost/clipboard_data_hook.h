#pragma once
// Sees what the plugin hands to the clipboard. Whatever it places there becomes the clipboard's:
// Windows keeps the very handle, so a plugin that deletes it leaves a dead handle on the
// clipboard. Wine keeps a copy and makes the handle a system object that DeleteObject ignores, so
// there nothing notices. The host remembers the last bitmap handle the plugin placed, whether
// the plugin passed it to DeleteObject afterwards, and whether it is still a live bitmap.
#include <windows.h>

#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// Routes the plugin's imported SetClipboardData and DeleteObject through wrappers that note each
// CF_BITMAP handle it places and any deletion of it, then call on whatever the import pointed
// at before (another hook, or the system). False when the plugin doesn't import SetClipboardData.
bool hookClipboardData(HMODULE plugin);

// clipdata: `clipdata bitmap W H` while the last CF_BITMAP handle the plugin placed is a live
// bitmap (GetObjectType OBJ_BITMAP) the plugin has not deleted, `clipdata deleted` once the
// plugin passed it to DeleteObject, `clipdata dead` when it is no bitmap any more, `clipdata none`
// when the plugin has placed none.
std::string runClipData(const std::vector<Token>& args);

}  // namespace testhost
