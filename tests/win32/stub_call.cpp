#include "stub_call.h"

namespace qrl::wintest {

#if defined(_WIN64)

StubReturn leaveThrough(void* entry, unsigned long long result, unsigned /*argBytes*/) {
    StubReturn out{};
    unsigned long long sum = 0;
    long long drift = 0;
    __asm__ volatile(
        "movq %%rsp, %%r13\n\t"
        "andq $-16, %%rsp\n\t"  // aligned before the call, as at any call
        "movq %%rsp, %%r14\n\t"
        "movq $1, %%rbx\n\t"
        "movq $2, %%r12\n\t"
        "call 2f\n\t"
        "jmp 3f\n"
        "2:\n\t"
        "subq $40, %%rsp\n\t"  // the thunk's frame
        "jmp *%[entry]\n"
        "3:\n\t"
        "movq %%rsp, %[drift]\n\t"
        "subq %%r14, %[drift]\n\t"
        "movq %%r13, %%rsp\n\t"
        "leaq (%%rbx,%%r12), %[sum]\n\t"
        : "+a"(result), [sum] "=&r"(sum), [drift] "=&r"(drift)
        : [entry] "r"(entry)
        : "rbx", "r12", "r13", "r14", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "cc", "xmm0", "xmm1",
          "xmm2", "xmm3", "xmm4", "xmm5");
    out.result = result;
    out.stackDrift = drift;
    out.nonVolatileSum = static_cast<unsigned long>(sum);
    return out;
}

#else

namespace {
// Reached by absolute address: every register is in use around the call.
void* stubEntry;
unsigned stubArgBytes;
long stubDrift;
unsigned long stubSum;
}  // namespace

StubReturn leaveThrough(void* entry, unsigned long long result, unsigned argBytes) {
    stubEntry = entry;
    stubArgBytes = argBytes;
    auto value = static_cast<unsigned long>(result);
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "subl %[args], %%esp\n\t"  // the arguments the stub pops
        "movl $1, %%ebx\n\t"
        "movl $2, %%edi\n\t"
        "call *%[entry]\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%esi, %%ecx\n\t"
        "movl %%ecx, %[drift]\n\t"
        "movl %%esi, %%esp\n\t"
        "addl %%edi, %%ebx\n\t"
        "movl %%ebx, %[sum]\n\t"
        : "+a"(value), [drift] "=m"(stubDrift), [sum] "=m"(stubSum)
        : [entry] "m"(stubEntry), [args] "m"(stubArgBytes)
        : "ebx", "esi", "edi", "ecx", "edx", "memory", "cc");
    StubReturn out{};
    out.result = value;
    out.stackDrift = stubDrift;
    out.nonVolatileSum = stubSum;
    return out;
}

#endif

}  // namespace qrl::wintest
