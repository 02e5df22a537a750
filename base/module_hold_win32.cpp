#include "module_hold.h"

#include "exit_stub.h"

namespace qrl {
namespace {

// The host's user-interface thread is the only one that runs the module's code, so plain
// variables serve.
int entryDepth = 0;
// Ended holds whose reference is still taken, and the module they hold (the one handle every
// hold got: asking for it again could fail, and the references would be kept for good).
int endedHolds = 0;
HMODULE heldModule = nullptr;

// The exit stub, made at the first hold of this load and at most once: most loads show no box
// and never need code made at run time, and where it can't be made (a process that forbids
// dynamic code) asking again at every return changes nothing.
//
// Its owner is never destroyed by the runtime: the runtime's exit handlers also run at process
// exit, under the loader lock, where nothing needs releasing (the pages go with the process).
// endModuleExit releases it when the library is freed.
union StubSlot {
    StubSlot() noexcept : stub() {}
    ~StubSlot() {}
    ExitStub stub;
};
StubSlot stubSlot;
bool stubTried = false;

void releaseEndedHolds() noexcept {
    for (; endedHolds > 0; --endedHolds) ::FreeLibrary(heldModule);
}

}  // namespace

ModuleHold::ModuleHold() noexcept {
    // Without the flag that leaves the count alone, this takes a reference.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&endedHolds),
                              &module_)) {
        module_ = nullptr;
        return;
    }
    if (!stubTried) {
        stubTried = true;
        stubSlot.stub = ExitStub::make(module_);
    }
}

ModuleHold::~ModuleHold() {
    if (!module_) return;
    heldModule = module_;
    ++endedHolds;
}

ModuleEntry::ModuleEntry() noexcept {
    if (entryDepth++ == 0) releaseEndedHolds();
}

ModuleEntry::~ModuleEntry() { --entryDepth; }

void endModuleExit() noexcept {
    // Its FreeLibrary call is what unloads us: the pages stay, the code in them isn't done.
    if (stubSlot.stub.running()) {
        stubSlot.stub.abandon();
    } else {
        stubSlot.stub = ExitStub{};
    }
}

}  // namespace qrl

using namespace qrl;

extern "C" void* qrlLeaveModule(unsigned argBytes) noexcept {
    if (entryDepth != 0 || endedHolds == 0) return nullptr;
    // All but one can go from here: the last keeps the image mapped until the stub's call.
    for (; endedHolds > 1; --endedHolds) ::FreeLibrary(heldModule);
    // Without a stub the last one is kept until the next call into the module.
    void* const entry = stubSlot.stub.entryFor(argBytes);
    if (entry) endedHolds = 0;  // the stub's to give back now
    return entry;
}
