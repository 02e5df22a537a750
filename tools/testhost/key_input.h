#pragma once
// Keystrokes as a user types them, through SendInput.
#include <string>

namespace testhost {

// Sends keys such as "ctrl+s", "ctrl+c", "a", "shift+f10", "enter" to whatever has the focus:
// modifiers down, the key down and up, modifiers up. False for a key this host doesn't know.
bool sendKeys(const std::string& keys);

// A virtual key as the log shows it: the letter or digit, otherwise 0xHH.
std::string keyName(unsigned virtualKey);

}  // namespace testhost
