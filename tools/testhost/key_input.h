#pragma once
// Keystrokes as a user types them, through SendInput.
#include <string>

namespace testhost {

// Sends keys such as "ctrl+s", "ctrl+c", "a", "shift+f10", "enter" to whatever has the focus:
// modifiers down, the key down and up, modifiers up. False for a key this host doesn't know.
bool sendKeys(const std::string& keys);

}  // namespace testhost
