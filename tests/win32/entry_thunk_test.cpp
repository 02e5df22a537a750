// The 64-bit entry thunk seen by a stack walk: stopped at any of its instructions, or of the exit
// stub it leaves through, a profiler or debugger must unwind to the thunk's true caller.
#include "base/entry_thunk.h"
#include "base/module_hold.h"
#include "check.h"

#if defined(_WIN64)

#include <set>

namespace {

bool holdInBody = false;

}  // namespace

extern "C" unsigned long long qrlUnwindProbeBody() noexcept {
    const qrl::ModuleEntry entry;
    if (holdInBody) {
        const qrl::ModuleHold hold;
    }
    return 0x600D'CA11'E4ULL;
}

QRL_ENTRY_THUNK(qrlUnwindProbe, 0, qrlUnwindProbeBody);
extern "C" void qrlUnwindProbe();

namespace qrl::wintest {
namespace {

// A range of code whose every instruction is checked, stepped through one at a time with the
// trap flag. Calls out of it are not stepped into: the callee's return address is pointed at a
// breakpoint that brings the step back once it returns.
struct Range {
    DWORD64 begin = 0;
    DWORD64 end = 0;
    bool holds(DWORD64 at) const { return at >= begin && at < end; }
};

struct Walk {
    Range thunk, stub;
    DWORD64 callerRip = 0, callerRsp = 0;
    DWORD64 pendingReturn = 0;
    unsigned char* trap = nullptr;  // one int3 of our own
    std::set<DWORD64> checked;      // offsets from the range's start, thunk and stub apart
    std::set<DWORD64> wrong;
    bool leftThroughStub = false;
};
Walk walk;

Range functionRange(DWORD64 at) {
    DWORD64 base = 0;
    const RUNTIME_FUNCTION* function = ::RtlLookupFunctionEntry(at, &base, nullptr);
    if (!function) return {};
    return {base + function->BeginAddress, base + function->EndAddress};
}

void checkUnwind(const CONTEXT& at) {
    CONTEXT frame = at;
    DWORD64 base = 0;
    const RUNTIME_FUNCTION* function = ::RtlLookupFunctionEntry(frame.Rip, &base, nullptr);
    void* handlerData = nullptr;
    DWORD64 establisher = 0;
    if (function) {
        ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, frame.Rip, const_cast<RUNTIME_FUNCTION*>(function), &frame,
                           &handlerData, &establisher, nullptr);
    }
    const bool inStub = walk.stub.holds(at.Rip);
    const DWORD64 key = inStub ? 0x10000 + (at.Rip - walk.stub.begin) : at.Rip - walk.thunk.begin;
    walk.checked.insert(key);
    if (!function || frame.Rip != walk.callerRip || frame.Rsp != walk.callerRsp) walk.wrong.insert(key);
}

LONG CALLBACK onStep(EXCEPTION_POINTERS* info) {
    CONTEXT& context = *info->ContextRecord;
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == EXCEPTION_BREAKPOINT && walk.pendingReturn &&
        reinterpret_cast<DWORD64>(info->ExceptionRecord->ExceptionAddress) == reinterpret_cast<DWORD64>(walk.trap)) {
        context.Rip = walk.pendingReturn;  // back from a call: step on from its return address
        walk.pendingReturn = 0;
    } else if (code != EXCEPTION_SINGLE_STEP) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const bool inRange = walk.thunk.holds(context.Rip) || walk.stub.holds(context.Rip);
    const DWORD64 returnAddress = *reinterpret_cast<DWORD64*>(context.Rsp);
    if (!inRange && (walk.thunk.holds(returnAddress) || walk.stub.holds(returnAddress))) {
        // Entered a callee: let it run, and stop again where it returns.
        walk.pendingReturn = returnAddress;
        *reinterpret_cast<DWORD64*>(context.Rsp) = reinterpret_cast<DWORD64>(walk.trap);
        context.EFlags &= ~0x100u;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (!inRange && !walk.stub.begin && functionRange(context.Rip).begin == context.Rip) {
        walk.stub = functionRange(context.Rip);  // jumped to the exit stub
    }
    if (!walk.thunk.holds(context.Rip) && !walk.stub.holds(context.Rip)) {
        context.EFlags &= ~0x100u;  // back in the caller
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    checkUnwind(context);
    walk.leftThroughStub |= walk.stub.holds(context.Rip);
    context.EFlags |= 0x100;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Calls the thunk with the trap flag set, so that the first step stops at its first instruction.
void stepThroughThunk() {
    __asm__ volatile(
        "movq %%rsp, %%r13\n\t"
        "andq $-16, %%rsp\n\t"
        "leaq 1f(%%rip), %%rax\n\t"
        "movq %%rax, %[rip]\n\t"
        "movq %%rsp, %[rsp]\n\t"
        "pushfq\n\t"
        "orq $0x100, (%%rsp)\n\t"
        "popfq\n\t"
        "call qrlUnwindProbe\n"
        "1:\n\t"
        "movq %%r13, %%rsp\n\t"
        : [rip] "=m"(walk.callerRip), [rsp] "=m"(walk.callerRsp)
        :
        : "rax", "r13", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3",
          "xmm4", "xmm5");
}

// Every instruction of the thunk (and of the stub, when it leaves through it) checked; the offsets
// whose unwinding missed the caller.
std::set<DWORD64> wrongUnwinds(bool throughStub) {
    walk = Walk{};
    walk.thunk = functionRange(reinterpret_cast<DWORD64>(&qrlUnwindProbe));
    walk.trap = static_cast<unsigned char*>(::VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    WT_CHECK(walk.thunk.begin != 0 && walk.trap != nullptr);
    if (!walk.thunk.begin || !walk.trap) return {};
    walk.trap[0] = 0xCC;
    holdInBody = throughStub;
    void* const handler = ::AddVectoredExceptionHandler(1, onStep);
    stepThroughThunk();
    ::RemoveVectoredExceptionHandler(handler);
    ::VirtualFree(walk.trap, 0, MEM_RELEASE);
    WT_CHECK(walk.leftThroughStub == throughStub);
    WT_CHECK(walk.checked.size() >= 8);  // the thunk's instructions were stepped through
    return walk.wrong;
}

void checkEveryInstruction(bool throughStub) {
    for (DWORD64 offset : wrongUnwinds(throughStub)) {
        fail(__FILE__, __LINE__, "no unwinding to the caller from " +
                                     (offset >= 0x10000 ? "the stub +" + std::to_string(offset - 0x10000)
                                                        : "the thunk +" + std::to_string(offset)));
    }
}

WT_TEST(everyInstructionOfTheThunkUnwindsToItsCaller) { checkEveryInstruction(false); }

WT_TEST(everyInstructionOnTheWayOutThroughTheStubUnwindsToTheCaller) { checkEveryInstruction(true); }

}  // namespace
}  // namespace qrl::wintest

#endif
