#include "script_commands.h"

#include <cstdio>

#include "detect_match.h"
#include "foreign_host.h"
#include "host_log.h"
#include "host_state.h"
#include "image_files.h"
#include "key_input.h"
#include "lister_window.h"

namespace testhost {

HWND listerOf(const std::string& id) {
    auto& listers = hostState().listers;
    auto found = listers.find(id);
    if (found == listers.end()) return nullptr;
    if (!::IsWindow(found->second)) {
        hostState().closedListers.insert(id);
        listers.erase(found);
        return nullptr;
    }
    return found->second;
}

// The lister window named id, made (or resized) to the given client size.
HWND listerFor(const std::string& id, int widthPx, int heightPx) {
    HWND frame = listerOf(id);
    if (frame) {
        closePluginWindow(frame);  // the file manager closes the old view before a new load
        resizeListerClient(frame, widthPx, heightPx);
    } else {
        frame = createListerWindow(widthPx, heightPx, L"testhost - " + wide(id), false);
        if (frame) {
            hostState().listers[id] = frame;
            hostState().closedListers.erase(id);
        }
    }
    if (frame) hostState().newestLister = id;
    return frame;
}

std::string loadInto(const std::string& id, HWND frame, const std::wstring* path, int flags, const char* verb) {
    if (!frame) return "can't create the lister window";
    std::wstring buffer = path ? *path : std::wstring();
    const PluginApi& plugin = hostState().plugin;
    HWND view = nullptr;
    if (hostState().ansiLoads && plugin.loadAnsi) {
        // As an older file manager passes it: the path in the ANSI code page.
        std::string ansi(buffer.size() * 2 + 1, '\0');
        const int bytes = ::WideCharToMultiByte(CP_ACP, 0, buffer.c_str(), -1, &ansi[0], static_cast<int>(ansi.size()),
                                                nullptr, nullptr);
        if (path && bytes == 0) return "the path has no ANSI form";
        view = plugin.loadAnsi(panelOf(frame), path ? &ansi[0] : nullptr, flags);
    } else {
        view = plugin.load(panelOf(frame), path ? buffer.data() : nullptr, flags);
    }
    attachPluginWindow(frame, view, hostState().plugin, hostState().mode);
    logLine(std::string(verb) + " " + id + (view ? " ok" : " none"));
    return {};
}

bool readSize(const Args& args, size_t at, int& widthPx, int& heightPx) {
    return parseInt(args[at].text, widthPx) && parseInt(args[at + 1].text, heightPx) && widthPx >= 0 && heightPx >= 0;
}

// null, bogus, host or a lister's plugin window (null when it has none).
bool resolveTarget(const std::string& id, HWND& target) {
    HostState& host = hostState();
    if (id == "null") target = nullptr;
    else if (id == "bogus") target = host.staleWindow;
    else if (id == "closed") target = host.closedPluginWindow;
    else if (id == "foreign") target = foreignPluginWindow();
    else if (id == "host") target = listerOf(host.newestLister) ? listerOf(host.newestLister) : host.spareWindow;
    else if (HWND frame = listerOf(id)) target = pluginWindowOf(frame);
    else return false;
    return true;
}

namespace {

HWND imageControlOf(const std::string& id) {
    const HWND frame = listerOf(id);
    const HWND view = frame ? pluginWindowOf(frame) : nullptr;
    return view && ::IsWindow(view) ? ::GetWindow(view, GW_CHILD) : nullptr;
}

}  // namespace

std::string runOpen(const Args& args) {
    int widthPx = 0, heightPx = 0, flags = 0;
    if (args.size() < 4 || args.size() > 5) return "usage: open ID PATH W H [FLAGS]";
    if (!readSize(args, 2, widthPx, heightPx)) return "bad size";
    if (args.size() == 5 && !parseInt(args[4].text, flags)) return "bad flags";
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    const std::wstring path = wide(args[1].text);
    if (!detectSelects(hostState().plugin.detectString, path)) {
        logLine("open " + args[0].text + " skipped");
        return {};
    }
    return loadInto(args[0].text, listerFor(args[0].text, widthPx, heightPx), &path, flags, "open");
}

std::string runLoad(const Args& args) {
    int widthPx = kDefaultClientWidthPx, heightPx = kDefaultClientHeightPx;
    if (args.size() != 2 && args.size() != 4) return "usage: load ID PATH [W H]";
    if (args.size() == 4 && !readSize(args, 2, widthPx, heightPx)) return "bad size";
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    const bool noPath = !args[1].quoted && args[1].text == "-";
    const std::wstring path = wide(args[1].text);
    return loadInto(args[0].text, listerFor(args[0].text, widthPx, heightPx), noPath ? nullptr : &path, 0, "load");
}

std::string runLoadParent(const Args& args) {
    if (args.size() != 2 || (args[0].text != "null" && args[0].text != "bogus")) return "usage: loadparent null|bogus PATH";
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    std::wstring path = wide(args[1].text);
    const HWND parent = args[0].text == "null" ? nullptr : hostState().staleWindow;
    const HWND view = hostState().plugin.load(parent, path.data(), 0);
    logLine("loadparent " + args[0].text + (view ? " ok" : " none"));
    if (view) hostState().plugin.close(view);
    return {};
}

std::string runResize(const Args& args) {
    int widthPx = 0, heightPx = 0;
    if (args.size() != 3 || !readSize(args, 1, widthPx, heightPx)) return "usage: resize ID W H";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    resizeListerClient(frame, widthPx, heightPx);
    pumpPending();
    logLine("resize " + args[0].text + " " + std::to_string(widthPx) + " " + std::to_string(heightPx));
    return {};
}

std::string runLayout(const Args& args) {
    if (args.size() != 1) return "usage: layout ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    const HWND view = pluginWindowOf(frame);
    if (!view || !::IsWindow(view)) {
        logLine("layout " + args[0].text + " none");
        return {};
    }
    RECT client{};
    ::GetClientRect(view, &client);
    std::string line = "layout " + args[0].text + " client=" + std::to_string(client.right) + "," +
                       std::to_string(client.bottom) + " child=";
    if (const HWND child = ::GetWindow(view, GW_CHILD)) {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&rect), 2);
        line += std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top);
    } else {
        line += "none";
    }
    logLine(line);
    return {};
}

// Class, title and style of the plugin's window and of its first child, as the window manager
// sees them: "windows ID CLASS "TITLE" 0xSTYLE child=CLASS 0xSTYLE".
std::string runWindows(const Args& args) {
    if (args.size() != 1) return "usage: windows ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    const HWND view = pluginWindowOf(frame);
    if (!view || !::IsWindow(view)) {
        logLine("windows " + args[0].text + " none");
        return {};
    }
    const auto describe = [](HWND window, bool withTitle) {
        wchar_t name[256] = {};
        ::GetClassNameW(window, name, 256);
        std::string text = utf8(name);
        if (withTitle) {
            wchar_t title[256] = {};
            ::GetWindowTextW(window, title, 256);
            text += " \"" + utf8(title) + "\"";
        }
        char style[16];
        std::snprintf(style, sizeof(style), " 0x%08lX",
                      static_cast<unsigned long>(::GetWindowLongPtrW(window, GWL_STYLE) & 0xFFFFFFFFu));
        return text + style;
    };
    const HWND child = ::GetWindow(view, GW_CHILD);
    logLine("windows " + args[0].text + " " + describe(view, true) + " child=" + (child ? describe(child, false) : "none"));
    return {};
}

std::string runImage(const Args& args) {
    if (args.size() != 2) return "usage: image ID FILE";
    if (!listerOf(args[0].text)) return "unknown lister " + args[0].text;
    const HWND control = imageControlOf(args[0].text);
    const auto image = control ? reinterpret_cast<HBITMAP>(::SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0))
                               : nullptr;
    Raster raster;
    int bitsPerPixel = 0;
    if (!image || !readBitmap(image, raster, bitsPerPixel) || !writeImageFile(wide(args[1].text), raster)) {
        logLine("image " + args[0].text + " none");
        return {};
    }
    logLine("image " + args[0].text + " " + std::to_string(raster.widthPx) + " " + std::to_string(raster.heightPx) +
            " " + std::to_string(bitsPerPixel));
    return {};
}

std::string runShot(const Args& args) {
    if (args.size() != 2) return "usage: shot ID FILE";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    pumpPending();
    Raster raster;
    if (captureClient(panelOf(frame), raster)) writeImageFile(wide(args[1].text), raster);
    logLine("shot " + args[0].text + " " + std::to_string(raster.widthPx) + " " + std::to_string(raster.heightPx));
    return {};
}

std::string runCommand(const Args& args) {
    int command = 0;
    HWND target = nullptr;
    if (args.size() != 2 || !parseInt(args[1].text, command)) return "usage: command ID N";
    if (!resolveTarget(args[0].text, target)) return "unknown lister " + args[0].text;
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    const int result = hostState().plugin.command(target, command, 0);
    logLine("command " + args[0].text + " " + args[1].text + " " + std::to_string(result));
    return {};
}

// Who opened the clipboard last: Windows refuses clipboard data placed by an ownerless opener.
std::string runClipboardOwner(const Args& args) {
    HWND target = nullptr;
    if (args.size() != 1) return "usage: clipowner ID";
    if (!resolveTarget(args[0].text, target)) return "unknown lister " + args[0].text;
    const HWND owner = ::GetClipboardOwner();
    const char* who = !owner ? "none" : owner == target ? "plugin" : "other";
    logLine("clipowner " + args[0].text + " " + who);
    return {};
}

std::string runClosePlugin(const Args& args) {
    HWND target = nullptr;
    if (args.size() != 1) return "usage: closeplugin ID";
    if (!resolveTarget(args[0].text, target)) return "unknown lister " + args[0].text;
    if (!hostState().plugin.loaded()) return "the plugin is not loaded";
    if (const HWND frame = listerOf(args[0].text)) {
        closePluginWindow(frame);
    } else {
        hostState().plugin.close(target);
    }
    logLine("closeplugin " + args[0].text);
    return {};
}

std::string runKey(const Args& args) {
    if (args.size() != 2) return "usage: key ID KEYS";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    clickListerWindow(frame);
    pumpPending();
    if (!sendKeys(args[1].text)) return "unknown keys " + args[1].text;
    // Modal dialogs opened by the keys run (and are answered) inside this pump.
    pumpFor(200);
    logLine("key " + args[0].text + " " + args[1].text);
    return {};
}

std::string runClose(const Args& args) {
    if (args.size() != 1) return "usage: close ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    closeListerWindow(frame);
    hostState().listers.erase(args[0].text);
    pumpPending();
    logLine("close " + args[0].text);
    return {};
}

// The host destroying its lister window itself, ListCloseWindow never called: the plugin window
// goes with it as a child, and the window's hold on the library is let go.
std::string runDestroy(const Args& args) {
    if (args.size() != 1) return "usage: destroy ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    ::DestroyWindow(frame);
    hostState().listers.erase(args[0].text);
    pumpPending();
    logLine("destroy " + args[0].text);
    return {};
}

// Whether a plugin window still exists: a closed one must be gone, whoever took it over.
std::string runAlive(const Args& args) {
    HWND target = nullptr;
    if (args.size() != 1) return "usage: alive ID|closed";
    if (!resolveTarget(args[0].text, target)) return "unknown lister " + args[0].text;
    logLine("alive " + args[0].text + (target && ::IsWindow(target) ? " yes" : " no"));
    return {};
}

// Brings the lister window to the front as a click on it would.
std::string runActivate(const Args& args) {
    if (args.size() != 1) return "usage: activate ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    ::SetForegroundWindow(frame);
    pumpPending();
    logLine("activate " + args[0].text);
    return {};
}

// Where the keyboard focus is, seen from the lister window named ID.
std::string runFocus(const Args& args) {
    if (args.size() != 1) return "usage: focus ID";
    const HWND frame = listerOf(args[0].text);
    if (!frame) return "unknown lister " + args[0].text;
    const HWND focus = ::GetFocus();
    const HWND view = pluginWindowOf(frame);
    const char* where = !focus ? "none"
                      : view && focus == view ? "plugin"
                      : focus == frame || focus == panelOf(frame) ? "lister"
                      : "other";
    logLine("focus " + args[0].text + " " + where);
    return {};
}

}  // namespace testhost
