#pragma once
// The module kept loaded while the host may free it under the module's code, and the reference
// given back once that code has returned.
//
// While a box, dialog or wait of the module's is up, a message loop or a wait that answers sent
// messages runs, and the host goes on handling what reaches its windows (timers, messages of
// other threads): it may close a viewer and free the library, as quick view does between files.
// The box would then return into unmapped code. So the module holds a reference on itself for as
// long as such a wait lasts (ModuleHold).
//
// The reference can't be let go of right after the wait: when it is the last one, the code doing
// so would unmap itself. It is given back when the outermost call into the module returns (an
// exported function or the window procedure, each entered through QRL_ENTRY_THUNK, entry_thunk.h):
// the thunk returns through the exit stub (exit_stub.h), which frees the library outside the
// image once none of its frames is left. The stub is made at the first hold of a load, at most
// once; where it can't be made (a process that forbids dynamic code) the reference is kept until
// the next call into the module, whose caller holds the library.
#include <windows.h>

namespace qrl {

// A reference on this module from construction until the outermost call into the module has
// returned (at the latest, the next such call). The first of a load makes the exit stub.
class ModuleHold {
public:
    ModuleHold() noexcept;
    ~ModuleHold();
    ModuleHold(const ModuleHold&) = delete;
    ModuleHold& operator=(const ModuleHold&) = delete;

private:
    HMODULE module_ = nullptr;
};

// Marks one call into the module: the first thing each entry point's body makes. The outermost
// one lets go of the references still kept from earlier calls (its caller holds the library).
class ModuleEntry {
public:
    ModuleEntry() noexcept;
    ~ModuleEntry();
    ModuleEntry(const ModuleEntry&) = delete;
    ModuleEntry& operator=(const ModuleEntry&) = delete;
};

// At unload by FreeLibrary (never at process exit): frees the exit stub, unless the unload is the
// stub's own call.
void endModuleExit() noexcept;

}  // namespace qrl

// The thunks' way out, after the body has returned: the exit stub's entry to jump to, or null to
// return as usual. argBytes: what the entry point pops on return (32-bit __stdcall), else 0.
extern "C" void* qrlLeaveModule(unsigned argBytes) noexcept;
