// win32_tests.exe WORK_FOLDER [NAME] — runs every registered test, or those whose name holds
// NAME (any case), each in a folder of its own below WORK_FOLDER. One line per test, "test NAME ok" or
// "test NAME FAILED" followed by the failed checks, then "failures N". No test named so: exit 2.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
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

std::wstring lowerCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

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
    if (!argv || argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: win32_tests.exe WORK_FOLDER [NAME]\n");
        return 2;
    }
    const std::wstring wanted = lowerCase(argc == 3 ? argv[2] : L"");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    workFolder = argv[1];
    if (workFolder.back() != L'\\') workFolder += L'\\';
    ::CreateDirectoryW(workFolder.c_str(), nullptr);
    int failures = 0;
    int run = 0;
    for (const auto& [name, test] : registry()) {
        const std::wstring wideName(name, name + std::char_traits<char>::length(name));
        if (lowerCase(wideName).find(wanted) == std::wstring::npos) continue;
        ++run;
        testFolder = workFolder + wideName + L"\\";
        ::CreateDirectoryW(testFolder.c_str(), nullptr);
        failedChecks.clear();
        test();
        std::printf("test %s %s\n", name, failedChecks.empty() ? "ok" : "FAILED");
        for (const std::string& check : failedChecks) std::printf("  %s\n", check.c_str());
        failures += failedChecks.empty() ? 0 : 1;
        std::fflush(stdout);
    }
    if (run == 0) {
        std::fprintf(stderr, "no test's name holds %ls\n", wanted.c_str());
        return 2;
    }
    std::printf("failures %d\n", failures);
    return failures == 0 ? 0 : 1;
}
