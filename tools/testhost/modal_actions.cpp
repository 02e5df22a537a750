#include "modal_actions.h"

#include <windows.h>
#include <commdlg.h>

#include <utility>

#include "host_log.h"
#include "host_state.h"
#include "lister_window.h"
#include "plugin_lifetime.h"
#include "script_commands.h"

namespace testhost {
namespace {

enum class Pending { None, Down, Timer, Destroy };

struct ModalAction {
    Pending what = Pending::None;
    std::string id;
    std::string path;
    int skip = 0;  // modal windows to let pass first
};

ModalAction pending;

void pressDown(const ModalAction& action) {
    const HWND frame = listerOf(action.id);
    if (!frame || !::IsWindowEnabled(frame)) {
        logLine("down " + action.id + " ignored");
        return;
    }
    logLine("down " + action.id + " delivered");
    const std::string error = runQuickView({Token{action.id, false}, Token{action.path, true}});
    if (!error.empty()) logLine("down " + action.id + " failed: " + error);
}

void fireTimer(const ModalAction& action) {
    logLine("timer " + action.id);
    if (const HWND frame = listerOf(action.id)) closePluginWindow(frame);
    runUnload({});
}

// The host destroying its lister window itself, the plugin window with it (ListCloseWindow is
// never called), then freeing the library.
void destroyLister(const ModalAction& action) {
    logLine("destroy " + action.id);
    if (const HWND frame = listerOf(action.id)) ::DestroyWindow(frame);
    hostState().listers.erase(action.id);
    runUnload({});
}

}  // namespace

std::string runWhileModal(const std::vector<Token>& args) {
    const char* usage = "usage: whilemodal [N] down ID PATH | whilemodal [N] timer|destroy ID";
    int skip = 1;
    const bool counted = !args.empty() && parseInt(args[0].text, skip);
    if (!counted) skip = 1;
    if (skip < 1) return usage;
    const std::vector<Token> rest(args.begin() + (counted ? 1 : 0), args.end());
    if (rest.size() == 3 && rest[0].text == "down") {
        pending = ModalAction{Pending::Down, rest[1].text, rest[2].text, skip - 1};
    } else if (rest.size() == 2 && rest[0].text == "timer") {
        pending = ModalAction{Pending::Timer, rest[1].text, {}, skip - 1};
    } else if (rest.size() == 2 && rest[0].text == "destroy") {
        pending = ModalAction{Pending::Destroy, rest[1].text, {}, skip - 1};
    } else {
        return usage;
    }
    if (!listerOf(pending.id)) {
        pending = {};
        return "unknown lister " + rest[1].text;
    }
    return {};
}

void onModalWindow() {
    if (pending.skip > 0) {
        --pending.skip;
        return;
    }
    const ModalAction action = std::exchange(pending, ModalAction{});
    if (action.what == Pending::Down) pressDown(action);
    if (action.what == Pending::Timer) fireTimer(action);
    if (action.what == Pending::Destroy) destroyLister(action);
}

std::string runBareDialog(const std::vector<Token>& args) {
    int count = 0;
    if (args.size() != 1 || !parseInt(args[0].text, count) || count < 0) return "usage: baredialog N";
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = {};
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = listerOf(hostState().newestLister);
        dialog.lpstrFilter = L"All\0*.*\0";
        dialog.lpstrFile = path;
        dialog.nMaxFile = MAX_PATH;
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        ::GetSaveFileNameW(&dialog);  // the host's own import: no plugin wrapper logs it
    }
    pumpPending();
    logLine("baredialog " + args[0].text);
    return {};
}

std::string runClassInfo(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: classinfo";
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    const HINSTANCE base = hostState().pluginBase;
    const bool registered = base && ::GetClassInfoExW(base, L"QRcodeWindowClass", &info);
    logLine(registered ? "class registered" : "class none");
    return {};
}

std::string runModuleInfo(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: module";
    HMODULE still = nullptr;
    const HINSTANCE base = hostState().pluginBase;
    const bool loaded = base && ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                                     reinterpret_cast<LPCWSTR>(base), &still);
    logLine(loaded ? "module loaded" : "module gone");
    return {};
}

}  // namespace testhost
