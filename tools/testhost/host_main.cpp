// testhost: loads a lister plugin and plays the file manager's part, interactively or from a
// script (see README.md).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common_controls.h"
#include "detect_match.h"
#include "dialog_driver.h"
#include "host_log.h"
#include "host_state.h"
#include "lister_window.h"
#include "plugin_lifetime.h"
#include "script_runner.h"

namespace {

using namespace testhost;

constexpr int kExitMalformed = 1;
constexpr int kExitCrashed = 3;

LONG WINAPI logCrash(EXCEPTION_POINTERS* exception) {
    char line[64];
    std::snprintf(line, sizeof(line), "crash 0x%08lX",
                  static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
    logLine(line);
    ::ExitProcess(kExitCrashed);
}

// Wine hands argv over in the ANSI code page; the command line itself is UTF-16.
std::vector<std::wstring> arguments() {
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> result(list, list + count);
    ::LocalFree(list);
    return result;
}

bool readFile(const std::wstring& path, std::string& text) {
    FILE* file = ::_wfopen(path.c_str(), L"rb");
    if (!file) return false;
    char chunk[4096];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, count);
    std::fclose(file);
    return true;
}

// Handles the script commands name that are not, or no longer, windows.
void makeStandInWindows() {
    HostState& host = hostState();
    host.staleWindow = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(host.staleWindow);
    host.spareWindow = ::CreateWindowExW(0, L"STATIC", L"testhost spare", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                         nullptr, nullptr, nullptr);
}

int interactive(const std::vector<std::wstring>& files) {
    int opened = 0;
    for (const std::wstring& file : files) {
        if (!detectSelects(hostState().plugin.detectString, file)) {
            std::fwprintf(stderr, L"testhost: the plugin doesn't handle %ls\n", file.c_str());
            continue;
        }
        const HWND frame = createListerWindow(640, 480, L"testhost - " + file, true);
        std::wstring path = file;
        const HWND view = frame ? hostState().plugin.load(panelOf(frame), path.data(), 0) : nullptr;
        if (!view) {
            std::fwprintf(stderr, L"testhost: no view for %ls\n", file.c_str());
            if (frame) ::DestroyWindow(frame);
            continue;
        }
        hostState().listers[utf8(std::to_wstring(opened))] = frame;
        attachPluginWindow(frame, view, hostState().plugin, hostState().mode);
        ::SetFocus(view);
        ++opened;
    }
    if (opened) runMessageLoop();
    return 0;
}

}  // namespace

int wmain() {
    const std::vector<std::wstring> args = arguments();
    std::wstring plugin, script, log, mode;
    std::vector<std::wstring> files;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == L"--script" && i + 1 < args.size()) script = args[++i];
        else if (args[i] == L"--log" && i + 1 < args.size()) log = args[++i];
        else if (args[i] == L"--mode" && i + 1 < args.size()) mode = args[++i];
        else if (plugin.empty()) plugin = args[i];
        else files.push_back(args[i]);
    }
    HostState& host = hostState();
    if (plugin.empty() || (!mode.empty() && !parseHostMode(utf8(mode), host.mode))) {
        std::fputs("usage: testhost PLUGIN [--mode plain|tc|tc2|dc] [FILE ...]\n"
                   "       testhost PLUGIN --script SCRIPT [--log LOG]\n", stderr);
        return kExitMalformed;
    }
    if (!log.empty() && !openLog(log)) {
        std::fputs("testhost: can't write the log\n", stderr);
        return kExitMalformed;
    }
    ::SetUnhandledExceptionFilter(logCrash);
    if (!initCommonControls()) {
        logLine("error 0: can't initialise the common controls");
        return kExitMalformed;
    }
    host.pluginPath = plugin;
    if (!loadPlugin(plugin, host.plugin)) {
        logLine("error 0: can't load the plugin " + utf8(plugin));
        return kExitMalformed;
    }
    makeStandInWindows();
    if (script.empty()) return interactive(files);

    std::string text;
    if (!readFile(script, text)) {
        logLine("error 0: can't read the script " + utf8(script));
        return kExitMalformed;
    }
    takeOverLoadedPlugin();
    if (!startDialogDriver()) {
        logLine("error 0: can't watch for dialogs");
        return kExitMalformed;
    }
    return runScript(text) == 0 ? 0 : kExitMalformed;
}
