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

enum class Pending { None, Down, Timer };

struct ModalAction {
    Pending what = Pending::None;
    std::string id;
    std::string path;
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

}  // namespace

std::string runWhileModal(const std::vector<Token>& args) {
    if (args.size() == 3 && args[0].text == "down") {
        pending = ModalAction{Pending::Down, args[1].text, args[2].text};
    } else if (args.size() == 2 && args[0].text == "timer") {
        pending = ModalAction{Pending::Timer, args[1].text, {}};
    } else {
        return "usage: whilemodal down ID PATH | whilemodal timer ID";
    }
    if (!listerOf(pending.id)) {
        pending = {};
        return "unknown lister " + args[1].text;
    }
    return {};
}

void onModalWindow() {
    const ModalAction action = std::exchange(pending, ModalAction{});
    if (action.what == Pending::Down) pressDown(action);
    if (action.what == Pending::Timer) fireTimer(action);
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

}  // namespace testhost
