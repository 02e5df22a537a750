#include "key_input.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <vector>

namespace testhost {
namespace {

WORD namedKey(const std::string& name) {
    struct Named {
        const char* name;
        WORD key;
    };
    static const Named keys[] = {{"enter", VK_RETURN}, {"return", VK_RETURN}, {"esc", VK_ESCAPE},
                                 {"escape", VK_ESCAPE}, {"tab", VK_TAB},      {"space", VK_SPACE},
                                 {"left", VK_LEFT},     {"right", VK_RIGHT},  {"up", VK_UP},
                                 {"down", VK_DOWN},     {"home", VK_HOME},    {"end", VK_END},
                                 {"delete", VK_DELETE}, {"insert", VK_INSERT}, {"backspace", VK_BACK}};
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    if (name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int number = std::atoi(name.c_str() + 1);
        if (number >= 1 && number <= 12) return static_cast<WORD>(VK_F1 + number - 1);
    }
    for (const Named& entry : keys) {
        if (name == entry.name) return entry.key;
    }
    return 0;
}

INPUT keyEvent(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

}  // namespace

bool sendKeys(const std::string& keys) {
    std::vector<WORD> sequence;
    size_t start = 0;
    while (start <= keys.size()) {
        size_t plus = keys.find('+', start);
        if (plus == std::string::npos) plus = keys.size();
        std::string part = keys.substr(start, plus - start);
        for (char& c : part) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const WORD key = part == "ctrl" || part == "control" ? VK_CONTROL
                       : part == "shift" ? VK_SHIFT : part == "alt" ? VK_MENU : namedKey(part);
        if (!key) return false;
        sequence.push_back(key);
        start = plus + 1;
    }
    std::vector<INPUT> inputs;
    for (WORD key : sequence) inputs.push_back(keyEvent(key, false));
    for (auto key = sequence.rbegin(); key != sequence.rend(); ++key) inputs.push_back(keyEvent(*key, true));
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

std::string keyName(unsigned virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        return std::string(1, static_cast<char>(virtualKey));
    }
    char hex[8];
    std::snprintf(hex, sizeof(hex), "0x%02X", virtualKey & 0xFFu);
    return hex;
}

}  // namespace testhost
