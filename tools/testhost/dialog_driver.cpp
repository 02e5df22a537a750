#include "dialog_driver.h"

#include <map>
#include <vector>

#include "host_log.h"
#include "modal_actions.h"

namespace testhost {
namespace {

constexpr UINT kScanMessage = WM_APP + 1;
constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanPeriodMs = 100;
constexpr DWORD kStuckAfterMs = 2000;
constexpr int kFileNameBoxId = 0x47C;
constexpr int kFilterComboId = 0x470;
constexpr int kBoxTextId = 0xFFFF;

struct Handled {
    DWORD atTick = 0;
    bool givenUp = false;
};

HWND driver = nullptr;
HHOOK cbtHook = nullptr;
Answer answer = Answer::Ok;
std::wstring nextPath;
bool nextCancel = true;
bool saveDialogLogged = false;
std::map<HWND, Handled> handled;

std::wstring textOf(HWND window) {
    wchar_t buffer[2048] = {};
    if (window) ::GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

bool isDialog(HWND window) {
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, static_cast<int>(std::size(className)));
    return std::wstring(className) == L"#32770";
}

void press(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool hasButton(HWND dialog, int id) {
    const HWND button = ::GetDlgItem(dialog, id);
    return button && ::IsWindowVisible(button);
}

void dismissBox(HWND box) {
    const int wanted = answer == Answer::Yes ? IDYES : answer == Answer::No ? IDNO
                     : answer == Answer::Cancel ? IDCANCEL : IDOK;
    for (int id : {wanted, IDOK, IDYES, IDCANCEL, IDNO}) {
        if (hasButton(box, id)) {
            press(box, id);
            return;
        }
    }
    press(box, IDCANCEL);
}

// Used only when the save-dialog hook could not see the dialog's parameters: the filter names
// as the dialog shows them.
void logFiltersFromCombo(HWND dialog) {
    const HWND combo = ::GetDlgItem(dialog, kFilterComboId);
    std::wstring names;
    const int count = combo ? static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t item[256] = {};
        if (::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(item))) {
            ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        }
        names += (i ? L"|" : L"") + std::wstring(item);
    }
    const int index = combo ? static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)) + 1 : 0;
    logLine("dialog filters=" + quoted(utf8(names)) + " index=" + std::to_string(index) + " defext=?");
}

void answerSaveDialog(HWND dialog) {
    if (!saveDialogLogged) logFiltersFromCombo(dialog);
    saveDialogLogged = false;
    const bool cancel = nextCancel;
    const std::wstring path = nextPath;
    nextCancel = true;  // one path per dialog
    nextPath.clear();
    if (cancel) {
        press(dialog, IDCANCEL);
        return;
    }
    ::SetWindowTextW(::GetDlgItem(dialog, kFileNameBoxId), path.c_str());
    press(dialog, IDOK);
}

void handleNew(HWND dialog) {
    onModalWindow();
    if (!::IsWindow(dialog)) return;  // gone with a viewer the host closed meanwhile
    // The file-name box first: the save dialog has labels with id 0xFFFF too.
    if (::GetDlgItem(dialog, kFileNameBoxId)) {
        answerSaveDialog(dialog);
    } else if (const HWND text = ::GetDlgItem(dialog, kBoxTextId)) {
        logLine("box " + quoted(utf8(textOf(dialog))) + " " + quoted(utf8(textOf(text))));
        dismissBox(dialog);
    } else {
        logLine("window " + quoted(utf8(textOf(dialog))));
        press(dialog, IDCANCEL);
    }
}

// A dialog that is still up and usable long after it was answered would hang the run.
void handleStuck(HWND dialog, Handled& record) {
    if (record.givenUp || ::GetTickCount() - record.atTick < kStuckAfterMs || !::IsWindowEnabled(dialog)) return;
    record.givenUp = true;
    logLine("stuck " + quoted(utf8(textOf(dialog))));
    press(dialog, IDCANCEL);
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
}

BOOL CALLBACK collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

void scan() {
    for (auto it = handled.begin(); it != handled.end();) {
        it = ::IsWindow(it->first) ? std::next(it) : handled.erase(it);
    }
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (!::IsWindowVisible(window) || !isDialog(window)) continue;
        auto found = handled.find(window);
        if (found != handled.end()) {
            handleStuck(window, found->second);
            continue;
        }
        handled[window] = Handled{::GetTickCount(), false};
        handleNew(window);
    }
}

LRESULT CALLBACK driverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kScanMessage || (message == WM_TIMER && wParam == kScanTimer)) {
        scan();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && driver) ::PostMessageW(driver, kScanMessage, 0, 0);
    return ::CallNextHookEx(cbtHook, code, wParam, lParam);
}

}  // namespace

bool startDialogDriver() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = driverProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QrlTestHostDriver";
    ::RegisterClassW(&windowClass);
    driver = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    if (!driver) return false;
    ::SetTimer(driver, kScanTimer, kScanPeriodMs, nullptr);
    cbtHook = ::SetWindowsHookExW(WH_CBT, cbtProc, nullptr, ::GetCurrentThreadId());
    return cbtHook != nullptr;
}

void setAnswer(Answer value) { answer = value; }

void setNextSaveDialog(const std::wstring& path, bool cancel) {
    nextPath = path;
    nextCancel = cancel;
}

HWND driverWindow() { return driver; }

void noteSaveDialogLogged() { saveDialogLogged = true; }

}  // namespace testhost
