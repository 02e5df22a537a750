// The module's holds on itself: given back only when the outermost call into the module has
// returned, and then through the exit stub, with the call's result untouched.
#include "base/module_hold.h"
#include "check.h"
#include "stub_call.h"

namespace qrl::wintest {
namespace {

// What ListLoadW pops: its three arguments on 32-bit, nothing on 64-bit.
constexpr unsigned kLoadArgBytes = sizeof(void*) == 8 ? 0 : 12;

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
    void* const entry = qrlLeaveModule(kLoadArgBytes);
    WT_CHECK(entry != nullptr);
    if (!entry) return;
    const StubReturn back = leaveThrough(entry, 0xFEED'FACEULL, kLoadArgBytes);
    WT_CHECK(back.result == 0xFEED'FACEULL && back.stackDrift == 0);
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
    if (entry) WT_CHECK(leaveThrough(entry, 7).result == 7);
    WT_CHECK(qrlLeaveModule(0) == nullptr);
}

}  // namespace
}  // namespace qrl::wintest
