#pragma once
// A few instructions outside the module's image that give back a reference on the module and
// then return to whoever called one of its entry points.
//
// Freeing the last reference unmaps the image; the code that does it must not be in the image,
// nor may any frame of the image's be on the stack. An entry point that has to give back the
// last reference therefore jumps here in place of returning: the stub calls FreeLibrary, then
// returns the entry point's result (kept from eax/rax) to the entry point's caller, popping the
// entry point's arguments where its convention asks (32-bit __stdcall).
//
// The stub lives in two pages of its own (committed 8 KB; the allocation takes a whole 64 KB
// granule of address space): code and unwind data, executable and read-only once made, and one
// read-write byte that says whether the stub is running. Made by the module for itself when it
// first holds itself; freed by the module at unload, unless the unload is the stub's own call,
// in which case the pages are left behind (the only place that could free them is gone).
#include <windows.h>

namespace qrl {

class ExitStub {
public:
    // Made for module (not taking a reference); empty when the pages can't be had.
    static ExitStub make(HMODULE module) noexcept;

    ExitStub() noexcept = default;
    ExitStub(ExitStub&& other) noexcept;
    ExitStub& operator=(ExitStub&& other) noexcept;
    ~ExitStub();  // frees the pages unless the stub is running
    ExitStub(const ExitStub&) = delete;
    ExitStub& operator=(const ExitStub&) = delete;

    explicit operator bool() const noexcept { return pages_ != nullptr; }

    // Where to jump, with the entry point's result in eax/rax. 32-bit: the stack as it was at the
    // entry point's first instruction (the return address on top); argBytes, what the entry point
    // pops on return: 0, 4, 8, 12 or 16. 64-bit: argBytes 0, and the entry thunk's 40-byte frame
    // still allocated below the return address (entry_thunk.h). Null for other sizes or no stub.
    void* entryFor(unsigned argBytes) const noexcept;

    // True while the stub's FreeLibrary call is under way.
    bool running() const noexcept;

    // Gives the pages up without freeing them (they stay mapped for good).
    void abandon() noexcept;

private:
    void release() noexcept;

    unsigned char* pages_ = nullptr;
    void* functionTable_ = nullptr;  // 64-bit: the registered unwind data of the code
};

}  // namespace qrl
