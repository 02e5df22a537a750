#include "script_runner.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "clipboard_data_hook.h"
#include "clipboard_hold.h"
#include "common_controls.h"
#include "dialog_driver.h"
#include "fault_injector.h"
#include "file_lock.h"
#include "file_rules.h"
#include "foreign_host.h"
#include "gdi_table.h"
#include "leak_probe.h"
#include "host_log.h"
#include "host_state.h"
#include "image_files.h"
#include "lister_window.h"
#include "modal_actions.h"
#include "plugin_lifetime.h"
#include "save_dialog_hook.h"
#include "script_commands.h"

namespace testhost {
namespace {

constexpr int kDetectGuardBytes = 16;
constexpr int kDetectUnsizedBytes = 64;
constexpr unsigned char kUntouched = 0xCC;

// Bytes as the log shows them: printable ASCII as is, the rest as \xHH.
std::string escapeBytes(const unsigned char* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] >= 0x20 && bytes[i] < 0x7F && bytes[i] != '\\') {
            text += static_cast<char>(bytes[i]);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", bytes[i]);
            text += escaped;
        }
    }
    return text;
}

// The buffer sits between two guards; a maxlen below 1 still gets a real buffer to (not) write.
std::string runDetect(const Args& args) {
    int maxlen = 0;
    if (args.size() != 1 || !parseInt(args[0].text, maxlen)) return "usage: detect MAXLEN";
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    const int sizeBytes = maxlen > 0 ? maxlen : kDetectUnsizedBytes;
    std::vector<unsigned char> block(static_cast<size_t>(sizeBytes) + 2 * kDetectGuardBytes, kUntouched);
    unsigned char* buffer = block.data() + kDetectGuardBytes;
    hostState().plugin.detect(reinterpret_cast<char*>(buffer), maxlen);
    bool guardOk = true;
    for (int i = 0; i < kDetectGuardBytes; ++i) {
        guardOk = guardOk && block[i] == kUntouched && buffer[sizeBytes + i] == kUntouched;
    }
    const std::string guard = guardOk ? " guard=ok" : " guard=overrun";
    bool untouched = true;
    size_t length = 0;
    for (int i = 0; i < sizeBytes; ++i) untouched = untouched && buffer[i] == kUntouched;
    while (length < static_cast<size_t>(sizeBytes) && buffer[length] != 0) ++length;
    logLine(untouched ? "detect none" + guard : "detect \"" + escapeBytes(buffer, length) + "\"" + guard);
    return {};
}

std::string runAnswer(const Args& args) {
    static const std::map<std::string, Answer> answers = {
        {"ok", Answer::Ok}, {"yes", Answer::Yes}, {"no", Answer::No}, {"cancel", Answer::Cancel}};
    const auto found = args.size() == 1 ? answers.find(args[0].text) : answers.end();
    if (found == answers.end()) return "usage: answer ok|yes|no|cancel";
    setAnswer(found->second);
    logLine("answer " + args[0].text);
    return {};
}

std::string runDialog(const Args& args) {
    if (args.size() == 2 && !args[0].quoted && args[0].text == "fail") {
        const unsigned long code = std::strtoul(args[1].text.c_str(), nullptr, 0);
        if (code == 0) return "usage: dialog fail CODE (non-zero)";
        failNextSaveDialog(static_cast<DWORD>(code));
        return {};
    }
    if (args.size() != 1) return "usage: dialog PATH|cancel|fail CODE";
    const bool cancel = !args[0].quoted && args[0].text == "cancel";
    setNextSaveDialog(wide(args[0].text), cancel);
    return {};
}

// The host's current folder: a dialog that moved it would keep the folder the user saved into busy.
std::string runCurrentFolder(const Args& args) {
    if (!args.empty()) return "usage: cwd";
    wchar_t folder[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(static_cast<DWORD>(sizeof(folder) / sizeof(folder[0])), folder);
    logLine("cwd " + utf8(folder));
    return {};
}

std::string runSave(const Args& args) {
    if (args.size() != 2) return "usage: save ID PATH";
    if (std::string error = runDialog({args[1]}); !error.empty()) return error;
    return runKey({args[0], Token{"ctrl+s", false}});
}

std::string runClipboard(const Args& args) {
    if (args.size() != 1) return "usage: clipboard FILE";
    bool opened = false;
    for (int attempt = 0; attempt < 20 && !opened; ++attempt) {
        opened = ::OpenClipboard(driverWindow());
        if (!opened) ::Sleep(25);
    }
    Raster raster;
    int bitsPerPixel = 0;
    const auto bitmap = opened ? static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP)) : nullptr;
    const bool read = bitmap && readBitmap(bitmap, raster, bitsPerPixel);
    if (opened) ::CloseClipboard();
    if (read && writeImageFile(wide(args[0].text), raster)) {
        logLine("clipboard " + std::to_string(raster.widthPx) + " " + std::to_string(raster.heightPx));
    } else {
        logLine("clipboard none");
    }
    return {};
}

// A leak shows as a count that keeps growing (see leak_probe.h).
std::string runGdiProbe(const Args& args) {
    if (!args.empty()) return "usage: gdi";
    const HandleTableUse use = measureHandleTableUse();
    logLine("gdi " + std::to_string(use.gdiObjects) + " " + std::to_string(use.userObjects));
    return {};
}

std::string runSleep(const Args& args) {
    int durationMs = 0;
    if (args.size() != 1 || !parseInt(args[0].text, durationMs) || durationMs < 0) return "usage: sleep MS";
    pumpFor(static_cast<DWORD>(durationMs));
    return {};
}

using Handler = std::string (*)(const Args&);

const std::map<std::string, Handler>& handlers() {
    static const std::map<std::string, Handler> table = {
        {"detect", runDetect},       {"open", runOpen},       {"load", runLoad},
        {"loadparent", runLoadParent}, {"resize", runResize}, {"layout", runLayout},
        {"image", runImage},         {"shot", runShot},       {"command", runCommand},
        {"windows", runWindows},
        {"closeplugin", runClosePlugin}, {"key", runKey},     {"answer", runAnswer},
        {"dialog", runDialog},       {"cwd", runCurrentFolder},       {"save", runSave},       {"clipboard", runClipboard},
        {"clipowner", runClipboardOwner},
        {"close", runClose},         {"destroy", runDestroy}, {"unload", runUnload},   {"gdi", runGdiProbe},
        {"gdimark", runGdiMark},     {"gdichanges", runGdiChanges},
        {"sleep", runSleep},         {"lock", runLock},       {"unlock", runUnlock},
        {"reload", runReload},       {"quickview", runQuickView}, {"hostmode", runHostMode},
        {"loadentry", runLoadEntry}, {"memory", runMemory}, {"exit", runExit},
        {"alive", runAlive},         {"activate", runActivate}, {"focus", runFocus},
        {"inject", runInject},
        {"cliphold", runClipHold},   {"cliprelease", runClipRelease}, {"comctl", runComctl},
        {"attrib", runAttrib},       {"nocreate", runNoCreate},
        {"whilemodal", runWhileModal}, {"baredialog", runBareDialog}, {"classinfo", runClassInfo},
        {"module", runModuleInfo},
        {"clipdata", runClipData},   {"foreign", runForeign}, {"wait", runWait},
        {"pump", [](const Args&) { pumpPending(); return std::string(); }},
    };
    return table;
}

}  // namespace

int runScript(const std::string& text) {
    int errors = 0;
    for (const ScriptLine& line : parseScript(text)) {
        std::string error = line.error;
        if (error.empty() && line.command == "echo") {
            logLine("echo " + line.rest);
        } else if (error.empty()) {
            const auto found = handlers().find(line.command);
            error = found == handlers().end() ? "unknown command " + line.command : found->second(line.args);
        }
        if (!error.empty()) {
            logLine("error " + std::to_string(line.number) + ": " + error);
            ++errors;
        }
        pumpPending();
    }
    // Another host started by the script never outlives it.
    endForeignHost();
    // The file manager closes its listers before it exits; each holds the library it shows.
    for (const auto& [id, frame] : hostState().listers) {
        if (::IsWindow(frame)) closeListerWindow(frame);
    }
    hostState().listers.clear();
    pumpPending();
    return errors;
}

}  // namespace testhost
