#include "host_log.h"

#include <windows.h>

#include <cstdio>

namespace testhost {
namespace {
FILE* logFile = nullptr;
}

bool openLog(const std::wstring& path) {
    logFile = ::_wfopen(path.c_str(), L"wb");
    return logFile != nullptr;
}

void logLine(const std::string& utf8Line) {
    FILE* out = logFile ? logFile : stdout;
    // For finding where a run spends its time; never set by the tests.
    static const bool stamped = ::GetEnvironmentVariableW(L"TESTHOST_TIMESTAMPS", nullptr, 0) > 0;
    if (stamped) std::fprintf(out, "%lu ", static_cast<unsigned long>(::GetTickCount()));
    std::fwrite(utf8Line.data(), 1, utf8Line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::wstring wide(const std::string& utf8Text) {
    if (utf8Text.empty()) return {};
    const int size = static_cast<int>(utf8Text.size());
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), size, nullptr, 0);
    std::wstring result(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), size, result.data(), units);
    return result;
}

std::string quoted(const std::string& utf8Text) {
    std::string result = "\"";
    for (char c : utf8Text) {
        if (c == '\r') result += "\\r";
        else if (c == '\n') result += "\\n";
        else result += c;
    }
    return result + "\"";
}

}  // namespace testhost
