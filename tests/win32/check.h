#pragma once
// A small test runner for the Windows side, run under Wine (tests/wine/test_win32_units.py):
// the Win32 code's contracts tested directly, where the host's scripts can only see results.
#include <windows.h>

#include <string>

namespace qrl::wintest {

using TestFn = void (*)();

// Registers a test; called through WT_TEST at start-up.
bool add(const char* name, TestFn test);

// Records a failed check of the running test.
void fail(const char* file, int line, const std::string& what);

// A fresh folder of the running test's own, for the files it writes (ends in a backslash).
std::wstring folder();

// Bytes of a file; empty when it can't be read.
std::string readFile(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);
bool exists(const std::wstring& path);
// Names in a folder, "." and ".." left out, sorted.
std::wstring namesIn(const std::wstring& folder);

}  // namespace qrl::wintest

#define WT_CHECK(condition)                                                         \
    do {                                                                            \
        if (!(condition)) ::qrl::wintest::fail(__FILE__, __LINE__, #condition);     \
    } while (0)

#define WT_TEST(name)                                                               \
    static void name();                                                             \
    static const bool name##Registered = ::qrl::wintest::add(#name, name);          \
    static void name()
