#pragma once
// Files as the user's system may have them: attributes set on them, and folders where files may
// be written but no new one created (permissions that grant write but not add-file). The latter
// acts on the plugin's own file calls only, through its imported CreateFileW.
#include <windows.h>

#include <string>
#include <vector>

#include "script_parse.h"

namespace testhost {

// attrib PATH [ATTRIBUTES]: sets the attributes when given (e.g. 0x22), then logs what the file
// has: `attrib 0xNN`, or `attrib none` when there is no such file.
std::string runAttrib(const std::vector<Token>& args);

// nocreate FOLDER: from now on the plugin can't create a new file directly in FOLDER (its
// CreateFileW answers ERROR_ACCESS_DENIED); existing files there open as before. Logs
// `nocreate FOLDER`.
std::string runNoCreate(const std::vector<Token>& args);

// Routes the plugin's imported CreateFileW through the folder rules. Again after every load.
bool hookFileRules(HMODULE plugin);

}  // namespace testhost
