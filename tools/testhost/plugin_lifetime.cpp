#include "plugin_lifetime.h"

#include "clipboard_data_hook.h"
#include "detect_match.h"
#include "fault_injector.h"
#include "file_rules.h"
#include "host_log.h"
#include "host_state.h"
#include "lister_window.h"
#include "save_dialog_hook.h"
#include "script_commands.h"

namespace testhost {
namespace {

// "freed" when the library left the process; "held" while an open viewer keeps it loaded.
void unloadLogged() {
    const bool freed = unloadPlugin(hostState().plugin);
    logLine(std::string("unload ") + (freed ? "freed" : "held"));
}

// LoadLibrary again from where it was first loaded; the new mapping is taken over as the first.
bool reloadLogged(const std::wstring& path) {
    HostState& host = hostState();
    const bool loaded = loadPlugin(path, host.plugin);
    if (loaded) takeOverLoadedPlugin();
    logLine(std::string("reload ") + (loaded ? "ok" : "failed"));
    return loaded;
}

}  // namespace

void takeOverLoadedPlugin() {
    HostState& host = hostState();
    hookSaveDialog(host.plugin.module);
    hookFileRules(host.plugin.module);
    hookClipboardData(host.plugin.module);
    rerouteImports(host.plugin.module);
    host.pluginBase = host.plugin.module;
}

std::string runUnload(const Args& args) {
    if (!args.empty()) return "usage: unload";
    unloadLogged();
    return {};
}

std::string runReload(const Args& args) {
    if (!args.empty()) return "usage: reload";
    const std::wstring path = hostState().pluginPath;
    if (hostState().plugin.loaded()) unloadLogged();
    reloadLogged(path);
    return {};
}

// Quick view moving on to the next file, with a plugin that has no load-next entry: the viewer
// is closed, the library freed and loaded again, and the next file loaded into the same panel.
std::string runQuickView(const Args& args) {
    int widthPx = kDefaultClientWidthPx, heightPx = kDefaultClientHeightPx;
    if (args.size() != 2 && args.size() != 4) return "usage: quickview ID PATH [W H]";
    if (args.size() == 4 && !readSize(args, 2, widthPx, heightPx)) return "bad size";
    const std::string& id = args[0].text;
    HWND frame = listerOf(id);
    if (frame && args.size() == 2) {
        closePluginWindow(frame);  // the panel keeps its size
        hostState().newestLister = id;
    } else {
        frame = listerFor(id, widthPx, heightPx);
    }
    if (!frame) return "can't create the lister window";
    if (hostState().plugin.loaded()) unloadLogged();
    if (!reloadLogged(hostState().pluginPath)) return {};
    const std::wstring path = wide(args[1].text);
    if (!detectSelects(hostState().plugin.detectString, path)) {
        logLine("quickview " + id + " skipped");
        return {};
    }
    return loadInto(id, frame, &path, 0, "quickview");
}

std::string runHostMode(const Args& args) {
    HostMode mode = HostMode::Tc;
    if (args.size() != 1 || !parseHostMode(args[0].text, mode)) return "usage: hostmode plain|tc|tc2|dc";
    hostState().mode = mode;
    logLine("hostmode " + args[0].text);
    return {};
}

// A 32-bit file manager that predates Unicode calls ListLoad with the path in the ANSI code page.
std::string runLoadEntry(const Args& args) {
    if (args.size() != 1 || (args[0].text != "ansi" && args[0].text != "wide")) return "usage: loadentry ansi|wide";
    const bool ansi = args[0].text == "ansi";
    if (ansi && !hostState().plugin.loadAnsi) return "the plugin exports no ListLoad";
    hostState().ansiLoads = ansi;
    logLine("loadentry " + args[0].text);
    return {};
}

// The file manager exiting with the plugin still loaded: the library sees its detach at process
// exit, as Windows makes it (ExitProcess), without the host's own clean-up first.
std::string runExit(const Args& args) {
    if (!args.empty()) return "usage: exit";
    logLine("exit");
    ::ExitProcess(0);
}

// The process's private memory (committed, in KiB) and how many of its private allocations hold
// executable pages: what code made at run time costs, and what a region or a heap block never
// given back adds up to over many loads.
std::string runMemory(const Args& args) {
    if (!args.empty()) return "usage: memory";
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    unsigned long long privateBytes = 0;
    unsigned executableRegions = 0;
    const void* lastCounted = nullptr;
    auto* at = static_cast<const char*>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region{};
    while (at < system.lpMaximumApplicationAddress && ::VirtualQuery(at, &region, sizeof(region)) == sizeof(region)) {
        if (region.Type == MEM_PRIVATE && region.State == MEM_COMMIT) {
            privateBytes += region.RegionSize;
            const DWORD executable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
            if ((region.Protect & executable) && region.AllocationBase != lastCounted) {
                ++executableRegions;
                lastCounted = region.AllocationBase;
            }
        }
        at = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    logLine("memory " + std::to_string(privateBytes / 1024) + " " + std::to_string(executableRegions));
    return {};
}

}  // namespace testhost
