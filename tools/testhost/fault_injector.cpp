#include "fault_injector.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fault_rules.h"
#include "fault_stub.h"
#include "file_trace.h"
#include "host_log.h"
#include "host_state.h"
#include "import_table.h"

namespace testhost {
namespace {

struct Import {
    std::string name;
    FailureRule rule;
    void* stub = nullptr;
    std::atomic<void*> real{nullptr};  // read by the stub's router on any thread
    unsigned long calls = 0;           // since `inject count`
    unsigned long failIn = 0;          // the armed failure fires at the call that brings this to 0
    unsigned long failK = 0;           // as armed, for the log
    DWORD failError = 0;               // the last error the armed failure answers; 0: the rule's
    int traced = -1;                   // its kind in file_trace.h, -1 when not traced
};

// Fixed in place: the router reads entries from other threads while the script thread adds.
constexpr unsigned kMostImports = 1024;
std::unique_ptr<Import[]> imports;
std::atomic<unsigned> importCount{0};
StubArena arena;
DWORD scriptThread = 0;
bool counting = false;

// What the stand-ins answer: set by the router just before it sends the call there.
ULONG_PTR failureValue = 0;
DWORD failureError = 0;
void* failureReal = nullptr;

ULONG_PTR answerFailure() noexcept {
    if (failureError) ::SetLastError(failureError);
    return failureValue;
}

// Four register arguments at most: the calls ruled AfterTheCall (closes and releases)
// take one or none.
using FourArguments = ULONG_PTR (*)(ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR);
ULONG_PTR callThenFail(ULONG_PTR a, ULONG_PTR b, ULONG_PTR c, ULONG_PTR d) noexcept {
    // Taken first: the real call may run plugin code that routes calls of its own.
    const auto real = reinterpret_cast<FourArguments>(failureReal);
    const ULONG_PTR value = failureValue;
    const DWORD error = failureError;
    real(a, b, c, d);
    if (error) ::SetLastError(error);
    return value;
}

void* routeCall(unsigned index, const ULONG_PTR* arguments) noexcept {
    Import& import = imports[index];
    void* const real = import.real.load(std::memory_order_relaxed);
    if (::GetCurrentThreadId() != scriptThread) return real;
    if (counting) ++import.calls;
    const bool traced = import.traced >= 0 && fileTraceOn();
    if (import.failIn == 0 || --import.failIn != 0) return traced ? traceStandIn(import.traced, real) : real;
    try {
        logLine("injected " + import.name + " " + std::to_string(import.failK));
    } catch (...) {
        // The log line is lost; the failure still fires.
    }
    failureValue = import.rule.value;
    failureError = import.failError ? import.failError : import.rule.lastError;
    failureReal = real;
    if (import.rule.effect) import.rule.effect(arguments, failureError);
    if (traced) logFailedCall(import.traced, arguments, failureError);
    return import.rule.mode == FailureMode::AfterTheCall ? reinterpret_cast<void*>(&callThenFail)
                                                         : reinterpret_cast<void*>(&answerFailure);
}

Import* findImport(const std::string& name) {
    for (unsigned i = 0; i < importCount.load(); ++i) {
        if (imports[i].name == name) return &imports[i];
    }
    return nullptr;
}

Import* addImport(const std::string& name) {
    const unsigned index = importCount.load();
    if (index == kMostImports) return nullptr;
    Import& import = imports[index];
    import.stub = arena.makeStub(index, &routeCall);
    if (!import.stub) return nullptr;
    import.name = name;
    import.rule = failureRuleFor(name);
    import.traced = tracedCallOf(name);
    importCount.store(index + 1);
    return &import;
}

bool started() { return scriptThread != 0; }

std::string start() {
    if (started()) return {};
#if !defined(_WIN64)
    return "inject: only the 64-bit host injects";
#else
    imports.reset(new Import[kMostImports]);
    scriptThread = ::GetCurrentThreadId();
    if (hostState().plugin.loaded()) rerouteImports(hostState().plugin.module);
    return {};
#endif
}

std::string runArm(const std::vector<Token>& args) {
    int k = 0;
    unsigned long error = 0;
    char* end = nullptr;
    if (args.size() == 4) error = std::strtoul(args[3].text.c_str(), &end, 0);
    if ((args.size() != 3 && args.size() != 4) || !parseInt(args[2].text, k) || k < 1 ||
        (args.size() == 4 && (!end || *end || error == 0))) {
        return "usage: inject fail NAME K [ERROR] (K >= 1, ERROR not 0)";
    }
    Import* import = findImport(args[1].text);
    if (!import) return "inject: the plugin imports no " + args[1].text;
    if (import->rule.mode == FailureMode::Never) return "inject: " + import->name + " is never failed (" + import->rule.why + ")";
    import->failIn = static_cast<unsigned long>(k);
    import->failK = import->failIn;
    import->failError = static_cast<DWORD>(error);
    logLine("inject fail " + import->name + " " + args[2].text + (error ? " " + args[3].text : ""));
    return {};
}

}  // namespace

void rerouteImports(HMODULE plugin) {
    if (!started() || !plugin) return;
    forEachImport(plugin, [](const ImportSlot& slot) {
        Import* import = findImport(slot.name);
        if (!import) import = addImport(slot.name);
        if (!import) return;
        const auto stub = reinterpret_cast<ULONG_PTR>(import->stub);
        if (*slot.slot == stub) return;
        import->real.store(reinterpret_cast<void*>(*slot.slot), std::memory_order_relaxed);
        writeSlot(slot.slot, stub);
    });
}

std::string runInject(const std::vector<Token>& args) {
    constexpr const char* kUsage = "usage: inject count|report|trace|fail NAME K [ERROR]|off";
    if (args.empty()) return kUsage;
    if (std::string error = start(); !error.empty()) return error;
    const std::string& verb = args[0].text;
    if (verb == "fail") return runArm(args);
    if (args.size() != 1) return kUsage;
    if (verb == "count") {
        for (unsigned i = 0; i < importCount.load(); ++i) imports[i].calls = 0;
        counting = true;
        logLine("inject count");
    } else if (verb == "trace") {
        startFileTrace();
        logLine("inject trace");
    } else if (verb == "report") {
        for (unsigned i = 0; i < importCount.load(); ++i) {
            const Import& import = imports[i];
            if (import.calls == 0) continue;
            logLine("calls " + import.name + " " + std::to_string(import.calls) +
                    (import.rule.mode == FailureMode::Never ? " never" : ""));
        }
        logLine("inject report");
    } else if (verb == "off") {
        for (unsigned i = 0; i < importCount.load(); ++i) {
            Import& import = imports[i];
            if (import.failIn) logLine("unfired " + import.name + " " + std::to_string(import.failK));
            import.failIn = 0;
            import.failError = 0;
        }
        counting = false;
        stopFileTrace();
        logLine("inject off");
    } else {
        return kUsage;
    }
    return {};
}

}  // namespace testhost
