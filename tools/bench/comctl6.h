#pragma once
// Common controls 6 for the rows that play the file manager, which runs with them: while one of
// these lives, windows made on this thread get the version 6 controls (its static control checks
// every pixel of a 32-bit image for alpha when it is given one).
#include <windows.h>

namespace qrl::bench {

class Comctl6Scope {
public:
    Comctl6Scope() noexcept;
    ~Comctl6Scope();
    Comctl6Scope(const Comctl6Scope&) = delete;
    Comctl6Scope& operator=(const Comctl6Scope&) = delete;
    explicit operator bool() const noexcept { return activated_; }

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
    bool activated_ = false;
};

}  // namespace qrl::bench
