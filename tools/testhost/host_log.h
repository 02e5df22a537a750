#pragma once
// The host's log: UTF-8, one result per line, flushed per line so a crash keeps what ran.
#include <string>

namespace testhost {

// Opens the log at path (UTF-16); without a log, lines go to standard output. False on failure.
bool openLog(const std::wstring& path);
void logLine(const std::string& utf8Line);

std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& utf8Text);

// Quotes text for a log field: "..." with CR and LF shown as \r and \n (lines stay lines).
std::string quoted(const std::string& utf8Text);

}  // namespace testhost
