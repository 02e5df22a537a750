// The module's holds on itself: given back only when the outermost call into the module has
// returned, and then through the exit stub, with the call's result untouched.
#include "base/module_hold.h"
#include "check.h"

#if defined(_WIN64)

namespace qrl::wintest {
namespace {

// Leaves through entry as a thunk would (see exit_stub_test.cpp): the result in rax.
unsigned long long leaveThrough(void* entry, unsigned long long result) {
    __asm__ volatile(
        "movq %%rsp, %%r13\n\t"
        "andq $-16, %%rsp\n\t"
        "call *%[entry]\n\t"
        "movq %%r13, %%rsp\n\t"
        : "+a"(result)
        : [entry] "r"(entry)
        : "r13", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4",
          "xmm5");
    return result;
}

WT_TEST(aCallThatHeldNothingLeavesAsUsual) {
    { const ModuleEntry entry; }
    WT_CHECK(qrlLeaveModule(0) == nullptr);
}

WT_TEST(holdsAreGivenBackOnlyWhenTheOutermostCallReturns) {
    {
        const ModuleEntry outer;
        {
            // A nested call (the host calling an export from under a box of ours) ends while
            // the outer call's code is still on the stack: nothing may be let go of there.
            const ModuleEntry inner;
            { const ModuleHold hold; }
        }
        WT_CHECK(qrlLeaveModule(0) == nullptr);
    }
    void* const entry = qrlLeaveModule(0);
    WT_CHECK(entry != nullptr);
    if (!entry) return;
    WT_CHECK(leaveThrough(entry, 0xFEED'FACE'CAFE'BEEFULL) == 0xFEED'FACE'CAFE'BEEFULL);
    WT_CHECK(qrlLeaveModule(0) == nullptr);  // nothing left to give back
}

WT_TEST(severalEndedHoldsLeaveThroughOneStubCall) {
    {
        const ModuleEntry entry;
        { const ModuleHold box; }
        { const ModuleHold dialog; }
        { const ModuleHold wait; }
    }
    void* const entry = qrlLeaveModule(0);
    WT_CHECK(entry != nullptr);
    if (entry) WT_CHECK(leaveThrough(entry, 7) == 7);
    WT_CHECK(qrlLeaveModule(0) == nullptr);
}

}  // namespace
}  // namespace qrl::wintest

#endif
