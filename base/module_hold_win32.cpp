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
ExitStub exitStub;

void releaseEndedHolds() noexcept {
    for (; endedHolds > 0; --endedHolds) ::FreeLibrary(heldModule);
}

}  // namespace

ModuleHold::ModuleHold() noexcept {
    // Without the flag that leaves the count alone, this takes a reference.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&endedHolds),
                              &module_)) {
        module_ = nullptr;
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

bool prepareModuleExit(HMODULE module) noexcept {
    exitStub = ExitStub::make(module);
    return static_cast<bool>(exitStub);
}

void endModuleExit() noexcept {
    // Its FreeLibrary call is what unloads us: the pages stay, the code in them isn't done.
    if (exitStub.running()) {
        exitStub.abandon();
    } else {
        exitStub = ExitStub{};
    }
}

}  // namespace qrl

using namespace qrl;

extern "C" void* qrlLeaveModule(unsigned argBytes) noexcept {
    if (entryDepth != 0 || endedHolds == 0) return nullptr;
    // All but one can go from here: the last keeps the image mapped until the stub's call.
    for (; endedHolds > 1; --endedHolds) ::FreeLibrary(heldModule);
    if (!exitStub) exitStub = ExitStub::make(heldModule);
    void* const entry = exitStub.entryFor(argBytes);
    if (entry) endedHolds = 0;  // the stub's to give back now
    return entry;
}
