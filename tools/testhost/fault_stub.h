#pragma once
// The x64 code that stands in an import slot: it asks the host where the call should go and goes
// there with the caller's arguments and stack exactly as they came.
#include <windows.h>

namespace testhost {

// Where a call of import number `index` goes: the real function, or a stand-in that answers a
// failure or logs the call. registerArguments: the call's first four integer arguments (rcx,
// rdx, r8, r9) as the caller passed them, valid for the router's call only. Called on whatever
// thread the plugin calls from.
using CallRouter = void* (*)(unsigned index, const ULONG_PTR* registerArguments) noexcept;

// Executable memory for stubs, taken from the system a block at a time and never given back:
// a slot may point at a stub for as long as the process runs.
class StubArena {
public:
    // A new stub for import index: it saves rcx, rdx, r8, r9 and xmm0-xmm3, calls
    // route(index, saved rcx..r9) on a 16-byte aligned stack with its shadow space, restores them and jumps to the answer
    // (a tail jump: the callee returns straight to the plugin). Null when no memory is left.
    void* makeStub(unsigned index, CallRouter route) noexcept;

private:
    BYTE* block_ = nullptr;
    SIZE_T usedBytes_ = 0;
};

}  // namespace testhost
