#include "foreign_host.h"

#include <iterator>

#include "host_log.h"
#include "host_state.h"
#include "lister_window.h"
#include "script_commands.h"

namespace testhost {
namespace {

constexpr DWORD kViewerWaitMs = 30000;
constexpr DWORD kExitWaitMs = 30000;
constexpr DWORD kCloseWaitMs = 60000;
constexpr UINT kKilledExitCode = 9;

struct Foreign {
    PROCESS_INFORMATION process{};
    HWND lister = nullptr;
    HWND pluginWindow = nullptr;
};

Foreign foreign;

struct Search {
    DWORD processId = 0;
    HWND lister = nullptr;
    HWND pluginWindow = nullptr;
};

// The lister window's first child is its panel, the panel's first child the plugin window;
// another process's window data can't be read, its window tree can.
BOOL CALLBACK findViewer(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (processId != search->processId || std::wstring(name) != kListerClassName) return TRUE;
    const HWND panel = ::GetWindow(window, GW_CHILD);
    const HWND pluginWindow = panel ? ::GetWindow(panel, GW_CHILD) : nullptr;
    if (!pluginWindow) return TRUE;
    search->lister = window;
    search->pluginWindow = pluginWindow;
    return FALSE;
}

std::wstring quotedArgument(const std::wstring& text) { return L"\"" + text + L"\""; }

bool running() { return foreign.process.hProcess != nullptr; }

// Waits for the process while this thread keeps answering: the other host's windows may send
// to ours (the clipboard, broadcasts).
bool waitForExit(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD woken =
            ::MsgWaitForMultipleObjects(1, &foreign.process.hProcess, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        pumpPending();
    }
}

std::string describeForeignViewer() {
    wchar_t name[256] = {};
    ::GetClassNameW(foreign.pluginWindow, name, 256);
    // Where this process's own plugin has registered that class (after its first viewer).
    WNDCLASSEXW ours{};
    ours.cbSize = sizeof(ours);
    const HMODULE plugin = hostState().plugin.module;
    const auto ourAtom = plugin ? static_cast<ATOM>(::GetClassInfoExW(plugin, name, &ours)) : ATOM{0};
    const auto theirAtom = static_cast<ATOM>(::GetClassLongPtrW(foreign.pluginWindow, GCW_ATOM));
    const auto theirModule = reinterpret_cast<HMODULE>(::GetClassLongPtrW(foreign.pluginWindow, GCLP_HMODULE));
    return utf8(name) + " class=" + (ourAtom && ourAtom == theirAtom ? "same" : "other") +
           " module=" + (plugin && plugin == theirModule ? "same" : "other");
}

std::string start(const std::wstring& script, const std::wstring& log) {
    wchar_t program[MAX_PATH * 4] = {};
    if (!::GetModuleFileNameW(nullptr, program, static_cast<DWORD>(std::size(program)))) return "can't find this program";
    std::wstring commandLine = quotedArgument(program) + L" " + quotedArgument(hostState().pluginPath) +
                               L" --script " + quotedArgument(script) + L" --log " + quotedArgument(log);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &foreign.process)) {
        foreign = Foreign{};
        return "can't start another host";
    }
    Search search;
    search.processId = foreign.process.dwProcessId;
    const DWORD startTick = ::GetTickCount();
    while (::GetTickCount() - startTick < kViewerWaitMs &&
           ::WaitForSingleObject(foreign.process.hProcess, 0) == WAIT_TIMEOUT) {
        ::EnumWindows(findViewer, reinterpret_cast<LPARAM>(&search));
        if (search.pluginWindow) break;
        pumpFor(50);
    }
    foreign.lister = search.lister;
    foreign.pluginWindow = search.pluginWindow;
    if (!foreign.pluginWindow) {
        endForeignHost();
        logLine("foreign none");
        return {};
    }
    logLine("foreign ok " + describeForeignViewer());
    return {};
}

BOOL CALLBACK closeListers(HWND window, LPARAM processId) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner == static_cast<DWORD>(processId) && std::wstring(name) == kListerClassName) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

}  // namespace

std::string runForeign(const std::vector<Token>& args) {
    if (args.size() == 3 && args[0].text == "start") {
        if (running()) return "another host already runs";
        return start(wide(args[1].text), wide(args[2].text));
    }
    if (args.size() == 1 && args[0].text == "end") {
        if (!running()) return "no other host runs";
        endForeignHost();
        return {};
    }
    return "usage: foreign start SCRIPT LOG | foreign end";
}

HWND foreignPluginWindow() { return running() ? foreign.pluginWindow : nullptr; }

void endForeignHost() {
    if (!running()) return;
    ::EnumWindows(closeListers, static_cast<LPARAM>(foreign.process.dwProcessId));
    if (waitForExit(kExitWaitMs)) {
        DWORD exitCode = 0;
        ::GetExitCodeProcess(foreign.process.hProcess, &exitCode);
        logLine("foreign ended " + std::to_string(exitCode));
    } else {
        ::TerminateProcess(foreign.process.hProcess, kKilledExitCode);
        ::WaitForSingleObject(foreign.process.hProcess, kExitWaitMs);
        logLine("foreign killed");
    }
    ::CloseHandle(foreign.process.hThread);
    ::CloseHandle(foreign.process.hProcess);
    foreign = Foreign{};
}

std::string runWait(const std::vector<Token>& args) {
    if (args.size() != 1) return "usage: wait ID";
    // Closed by the other program before this command came (its close is posted, and any pump of
    // an earlier command may have taken it): as closed as one closed during the wait.
    if (!listerOf(args[0].text) && !hostState().closedListers.count(args[0].text)) {
        return "unknown lister " + args[0].text;
    }
    const DWORD start = ::GetTickCount();
    while (listerOf(args[0].text) && ::GetTickCount() - start < kCloseWaitMs) pumpFor(50);
    logLine("wait " + args[0].text + (listerOf(args[0].text) ? " timeout" : " closed"));
    return {};
}

}  // namespace testhost
