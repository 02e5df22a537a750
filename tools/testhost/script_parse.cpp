#include "script_parse.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace testhost {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Tokenises one line; a comment ends it. Sets error on an unterminated quote.
std::vector<Token> tokenize(const std::string& line, std::string& error) {
    std::vector<Token> tokens;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) ++at;
        if (at >= line.size() || line[at] == '#') break;
        Token token;
        if (line[at] == '"') {
            token.quoted = true;
            ++at;
            bool closed = false;
            while (at < line.size()) {
                const char c = line[at++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && at < line.size() && (line[at] == '"' || line[at] == '\\')) {
                    token.text += line[at++];
                } else {
                    token.text += c;
                }
            }
            if (!closed) error = "unterminated quote";
        } else {
            while (at < line.size() && !isBlank(line[at])) token.text += line[at++];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace

std::vector<ScriptLine> parseScript(const std::string& text) {
    std::vector<ScriptLine> lines;
    size_t start = 0;
    int number = 0;
    // A byte order mark from an editor is not part of the first command.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        ScriptLine line;
        line.number = number;
        std::vector<Token> tokens = tokenize(raw, line.error);
        if (tokens.empty()) continue;
        line.command = tokens.front().text;
        line.args.assign(tokens.begin() + 1, tokens.end());
        const size_t commandAt = raw.find(line.command);
        size_t restAt = commandAt + line.command.size();
        while (restAt < raw.size() && isBlank(raw[restAt])) ++restAt;
        line.rest = restAt < raw.size() ? raw.substr(restAt) : "";
        lines.push_back(std::move(line));
    }
    return lines;
}

bool parseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || parsed < INT32_MIN || parsed > INT32_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace testhost
