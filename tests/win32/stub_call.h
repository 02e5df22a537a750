#pragma once
// Leaving through an exit stub as an entry thunk does (entry_thunk.h), from C++.
namespace qrl::wintest {

struct StubReturn {
    unsigned long long result = 0;  // eax / rax as the stub returned it
    long long stackDrift = 0;       // the stack pointer after the return, less the caller's: 0
    unsigned long nonVolatileSum = 0;  // two non-volatile registers set to 1 and 2 before: 3
};

// Jumps to entry with result in eax/rax and the stack as the thunk leaves it: 32-bit, argBytes
// of arguments above the return address for the stub to pop; 64-bit, the thunk's frame.
StubReturn leaveThrough(void* entry, unsigned long long result, unsigned argBytes = 0);

}  // namespace qrl::wintest
