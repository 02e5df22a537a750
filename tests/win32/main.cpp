// win32_tests.exe WORK_FOLDER — runs every registered test, each in a folder of its own below
// WORK_FOLDER. One line per test, "test NAME ok" or "test NAME FAILED" followed by the failed
// checks, then "failures N".
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "check.h"

namespace qrl::wintest {
namespace {

std::vector<std::pair<const char*, TestFn>>& registry() {
    static std::vector<std::pair<const char*, TestFn>> tests;
    return tests;
}

std::wstring workFolder;
std::wstring testFolder;
std::vector<std::string> failedChecks;

}  // namespace

bool add(const char* name, TestFn test) {
    registry().emplace_back(name, test);
    return true;
}

void fail(const char* file, int line, const std::string& what) {
    const std::string path(file);
    failedChecks.push_back(path.substr(path.find_last_of("/\\") + 1) + ":" + std::to_string(line) + ": " + what);
}

std::wstring folder() { return testFolder; }

std::string readFile(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring namesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::wstring joined;
    for (const std::wstring& name : names) joined += (joined.empty() ? L"" : L" ") + name;
    return joined;
}

}  // namespace qrl::wintest

int wmain() {
    using namespace qrl::wintest;
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);  // Wine passes argv in the ANSI code page
    if (!argv || argc != 2) {
        std::fprintf(stderr, "usage: win32_tests.exe WORK_FOLDER\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    workFolder = argv[1];
    if (workFolder.back() != L'\\') workFolder += L'\\';
    ::CreateDirectoryW(workFolder.c_str(), nullptr);
    int failures = 0;
    for (const auto& [name, test] : registry()) {
        testFolder = workFolder + std::wstring(name, name + std::char_traits<char>::length(name)) + L"\\";
        ::CreateDirectoryW(testFolder.c_str(), nullptr);
        failedChecks.clear();
        test();
        std::printf("test %s %s\n", name, failedChecks.empty() ? "ok" : "FAILED");
        for (const std::string& check : failedChecks) std::printf("  %s\n", check.c_str());
        failures += failedChecks.empty() ? 0 : 1;
        std::fflush(stdout);
    }
    std::printf("failures %d\n", failures);
    return failures == 0 ? 0 : 1;
}
