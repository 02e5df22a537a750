// The exit stub: what it leaves in the registers and on the stack, what it frees, and that its
// code can't be written once made.
#include "base/exit_stub.h"
#include "check.h"

#if defined(_WIN64)  // the 32-bit entries are exercised through the 32-bit plugin's exports

namespace qrl::wintest {
namespace {

// A library this program doesn't load otherwise: its reference count is ours alone.
constexpr wchar_t kLibrary[] = L"msimg32.dll";

bool loaded(HMODULE module) {
    HMODULE found = nullptr;
    return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(module), &found) != 0;
}

// Enters the stub as an entry point would leave through it: a jump with the result in rax and
// the caller's return address on top; here a call, which leaves the stack the same way. Also
// returns rbx, rsi, rdi and r12-r15 as the stub left them, summed: the caller's must survive.
struct StubReturn {
    unsigned long long result;
    unsigned long long nonVolatileSum;
};

StubReturn callStub(void* entry, unsigned long long result) {
    StubReturn out{};
    unsigned long long sum = 0;
    __asm__ volatile(
        "movq %%rsp, %%r13\n\t"
        "andq $-16, %%rsp\n\t"  // aligned before the call, as at any call
        "movq $1, %%rbx\n\t"
        "movq $2, %%r12\n\t"
        "call *%[entry]\n\t"
        "movq %%r13, %%rsp\n\t"
        "leaq (%%rbx,%%r12), %[sum]\n\t"
        : "+a"(result), [sum] "=&r"(sum)
        : [entry] "r"(entry)
        : "rbx", "r12", "r13", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3",
          "xmm4", "xmm5");
    out.result = result;
    out.nonVolatileSum = sum;
    return out;
}

WT_TEST(exitStubFreesTheLibraryAndReturnsTheResultUntouched) {
    const HMODULE module = ::LoadLibraryW(kLibrary);
    WT_CHECK(module != nullptr);
    if (!module) return;
    WT_CHECK(::LoadLibraryW(kLibrary) == module);  // two references
    ExitStub stub = ExitStub::make(module);
    WT_CHECK(static_cast<bool>(stub));
    void* const entry = stub.entryFor(0);
    WT_CHECK(entry != nullptr);
    WT_CHECK(stub.entryFor(4) == nullptr);  // 64-bit entry points pop nothing
    if (!entry) return;

    const StubReturn first = callStub(entry, 0x1234'5678'9ABC'DEF0ULL);
    WT_CHECK(first.result == 0x1234'5678'9ABC'DEF0ULL);
    WT_CHECK(first.nonVolatileSum == 3);
    WT_CHECK(loaded(module));  // one reference given back, one left
    WT_CHECK(!stub.running());

    const StubReturn last = callStub(entry, 1);
    WT_CHECK(last.result == 1);
    WT_CHECK(!loaded(module));
    WT_CHECK(!stub.running());
}

WT_TEST(exitStubCodeIsExecutableAndNotWritable) {
    ExitStub stub = ExitStub::make(::GetModuleHandleW(nullptr));
    void* const entry = stub.entryFor(0);
    WT_CHECK(entry != nullptr);
    if (!entry) return;
    MEMORY_BASIC_INFORMATION code{};
    WT_CHECK(::VirtualQuery(entry, &code, sizeof(code)) == sizeof(code));
    WT_CHECK(code.Protect == PAGE_EXECUTE_READ);
    WT_CHECK(code.State == MEM_COMMIT);

    // Its unwind data is found, so a stack walk through a running stub reaches the caller.
    DWORD64 imageBase = 0;
    const RUNTIME_FUNCTION* function =
        ::RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(entry) + 4, &imageBase, nullptr);
    WT_CHECK(function != nullptr);
    WT_CHECK(imageBase == reinterpret_cast<DWORD64>(entry));

    // Freed with the object: nothing is left mapped.
    stub = ExitStub{};
    WT_CHECK(::VirtualQuery(entry, &code, sizeof(code)) == sizeof(code));
    WT_CHECK(code.State == MEM_FREE);
}

}  // namespace
}  // namespace qrl::wintest

#endif
