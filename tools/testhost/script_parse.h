#pragma once
// The script language: one command per line, words separated by blanks, "quoted" words with
// \" and \\ escapes, # starting a comment outside quotes.
#include <string>
#include <vector>

namespace testhost {

struct Token {
    std::string text;  // UTF-8, quotes and escapes removed
    bool quoted = false;
};

struct ScriptLine {
    int number = 0;       // 1-based line number in the script
    std::string command;  // the first word
    std::vector<Token> args;
    std::string rest;     // the raw text after the command word, for echo
    std::string error;    // why the line can't be read; empty when it can
};

// Splits a UTF-8 script into its command lines (blank and comment lines dropped).
std::vector<ScriptLine> parseScript(const std::string& text);

// A whole-word decimal integer (optional sign). False otherwise.
bool parseInt(const std::string& text, int& value);

}  // namespace testhost
