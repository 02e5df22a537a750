#include "detect_match.h"

#include <cctype>

#include "host_log.h"

namespace testhost {
namespace {

std::string upperAscii(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Recursive descent over: expr = term {"|" term}; term = factor {"&" factor};
// factor = "!" factor | "(" expr ")" | EXT="..." .
class Parser {
public:
    Parser(const std::string& text, std::string extension) : text_(text), extension_(std::move(extension)) {}

    bool evaluate() {
        const bool result = expression();
        skipSpace();
        return result && ok_ && at_ == text_.size();
    }

private:
    bool expression() {
        bool value = term();
        while (accept('|')) value = term() || value;
        return value;
    }
    bool term() {
        bool value = factor();
        while (accept('&')) value = factor() && value;
        return value;
    }
    bool factor() {
        if (accept('!')) return !factor();
        if (accept('(')) {
            const bool value = expression();
            if (!accept(')')) ok_ = false;
            return value;
        }
        skipSpace();
        if (text_.compare(at_, 3, "EXT") != 0) return fail();
        at_ += 3;
        if (!accept('=') || !accept('"')) return fail();
        const size_t end = text_.find('"', at_);
        if (end == std::string::npos) return fail();
        const std::string wanted = upperAscii(text_.substr(at_, end - at_));
        at_ = end + 1;
        return wanted == extension_;
    }
    bool accept(char c) {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void skipSpace() {
        while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    }
    bool fail() {
        ok_ = false;
        at_ = text_.size();
        return false;
    }

    const std::string& text_;
    std::string extension_;
    size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace

bool detectSelects(const std::string& detectString, const std::wstring& path) {
    const size_t nameStart = path.find_last_of(L"\\/:");
    const std::wstring name = nameStart == std::wstring::npos ? path : path.substr(nameStart + 1);
    const size_t dot = name.rfind(L'.');
    const std::string extension = dot == std::wstring::npos ? "" : upperAscii(utf8(name.substr(dot + 1)));
    return Parser(detectString, extension).evaluate();
}

}  // namespace testhost
