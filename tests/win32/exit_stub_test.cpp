// The exit stub: what it leaves in the registers and on the stack, what it frees, and that its
// code can't be written once made and leaves nothing behind once freed.
#include "base/exit_stub.h"
#include "check.h"
#include "stub_call.h"

namespace qrl::wintest {
namespace {

// A library this program doesn't load otherwise: its reference count is ours alone.
constexpr wchar_t kLibrary[] = L"msimg32.dll";

#if defined(_WIN64)
constexpr unsigned kArgBytes[] = {0};
constexpr unsigned kNoEntry[] = {4, 8};  // 64-bit entry points pop nothing
#else
constexpr unsigned kArgBytes[] = {0, 4, 8, 12, 16};
constexpr unsigned kNoEntry[] = {2, 20};
#endif

bool loaded(HMODULE module) {
    HMODULE found = nullptr;
    return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(module), &found) != 0;
}

WT_TEST(exitStubFreesTheLibraryAndReturnsTheResultUntouched) {
    const HMODULE module = ::LoadLibraryW(kLibrary);
    WT_CHECK(module != nullptr);
    if (!module) return;
    ExitStub stub = ExitStub::make(module);
    WT_CHECK(static_cast<bool>(stub));
    for (unsigned argBytes : kNoEntry) WT_CHECK(stub.entryFor(argBytes) == nullptr);
    // Each entry gives back one reference, pops its arguments and keeps the caller's registers.
    for (unsigned argBytes : kArgBytes) {
        WT_CHECK(::LoadLibraryW(kLibrary) == module);
        void* const entry = stub.entryFor(argBytes);
        WT_CHECK(entry != nullptr);
        if (!entry) return;
        const StubReturn back = leaveThrough(entry, 0x1234'5678'9ABC'DEF0ULL, argBytes);
        WT_CHECK(back.result == (sizeof(void*) == 8 ? 0x1234'5678'9ABC'DEF0ULL : 0x9ABC'DEF0ULL));
        WT_CHECK(back.stackDrift == 0);
        WT_CHECK(back.nonVolatileSum == 3);
        WT_CHECK(loaded(module));
        WT_CHECK(!stub.running());
    }
    const StubReturn last = leaveThrough(stub.entryFor(0), 1);
    WT_CHECK(last.result == 1);
    WT_CHECK(!loaded(module));
    WT_CHECK(!stub.running());
}

WT_TEST(exitStubCodeIsExecutableNotWritableAndGoneOnceFreed) {
    ExitStub stub = ExitStub::make(::GetModuleHandleW(nullptr));
    void* const entry = stub.entryFor(0);
    WT_CHECK(entry != nullptr);
    if (!entry) return;
    MEMORY_BASIC_INFORMATION code{};
    WT_CHECK(::VirtualQuery(entry, &code, sizeof(code)) == sizeof(code));
    WT_CHECK(code.Protect == PAGE_EXECUTE_READ);
    WT_CHECK(code.State == MEM_COMMIT);
#if defined(_WIN64)
    // Its unwind data is found, so a stack walk through a running stub reaches the caller.
    DWORD64 imageBase = 0;
    RUNTIME_FUNCTION* function = ::RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(entry) + 4, &imageBase, nullptr);
    WT_CHECK(function != nullptr);
    WT_CHECK(imageBase == reinterpret_cast<DWORD64>(entry));
#endif

    // Freed with the object: nothing is left mapped, nor registered to describe that range (a
    // later stack walk through it would read unwind data from whatever is mapped there next).
    stub = ExitStub{};
    WT_CHECK(::VirtualQuery(entry, &code, sizeof(code)) == sizeof(code));
    WT_CHECK(code.State == MEM_FREE);
#if defined(_WIN64)
    if (function) WT_CHECK(!::RtlDeleteFunctionTable(function));
#endif
}

}  // namespace
}  // namespace qrl::wintest
