#pragma once
// QRL_ENTRY_THUNK(name, argBytes, body): defines the entry point `name` (extern "C", __stdcall,
// taking argBytes bytes of arguments: 4 per argument) as a call of `body` (extern "C", the
// platform's default convention, the same parameters and result) followed by qrlLeaveModule():
// when that answers an exit stub, the thunk leaves through it (module_hold.h), otherwise it
// returns as usual. body must begin with a ModuleEntry and must not throw.
//
// In assembly because the way out is a jump with the stack exactly as the stub expects it, which
// no compiler gives.
//
// 64-bit: the thunk carries unwind data for its 40-byte frame, and a stack walk from any of its
// instructions must reach its caller. Its ordinary way out is the epilogue `add rsp, 40; ret`;
// the way out through the stub is a jump from the body with the frame still allocated, which the
// stub takes over and pops in its own `add rsp, 40; ret` (exit_stub.h). No instruction follows
// the frame's release but the return: an unwinder that stops between them would take the body's
// unwind data and miss the caller (an epilogue ending in a jump through memory is recognised by
// Windows, not by Wine 8).

#if defined(__x86_64__)

#define QRL_ENTRY_THUNK(name, argBytes, body)                                              \
    __asm__(".text\n"                                                                      \
            ".globl " #name "\n"                                                           \
            ".def " #name "; .scl 2; .type 32; .endef\n"                                   \
            ".seh_proc " #name "\n" #name ":\n"                                            \
            "  subq $40, %rsp\n"                                                           \
            "  .seh_stackalloc 40\n"                                                       \
            "  .seh_endprologue\n"                                                         \
            "  call " #body "\n"                                                           \
            "  movq %rax, 32(%rsp)\n"                                                      \
            "  xorl %ecx, %ecx\n"                                                          \
            "  call qrlLeaveModule\n"                                                      \
            "  movq %rax, %r10\n"                                                          \
            "  movq 32(%rsp), %rax\n"                                                      \
            "  testq %r10, %r10\n"                                                         \
            "  jnz 1f\n"                                                                   \
            "  addq $40, %rsp\n"                                                           \
            "  ret\n"                                                                      \
            "1:\n"                                                                         \
            "  jmp *%r10\n"                                                                \
            ".seh_endproc\n")

#elif defined(__i386__)

// The arguments copied for body: each push moves the next one down to the same offset.
#define QRL_THUNK_PUSH_4 "  pushl 4(%esp)\n"
#define QRL_THUNK_PUSH_8 "  pushl 8(%esp)\n  pushl 8(%esp)\n"
#define QRL_THUNK_PUSH_12 "  pushl 12(%esp)\n  pushl 12(%esp)\n  pushl 12(%esp)\n"
#define QRL_THUNK_PUSH_16 "  pushl 16(%esp)\n  pushl 16(%esp)\n  pushl 16(%esp)\n  pushl 16(%esp)\n"

#define QRL_ENTRY_THUNK(name, argBytes, body)                                              \
    __asm__(".text\n"                                                                      \
            ".globl _" #name "@" #argBytes "\n"                                            \
            ".def _" #name "@" #argBytes "; .scl 2; .type 32; .endef\n"                    \
            "_" #name "@" #argBytes ":\n" QRL_THUNK_PUSH_##argBytes                        \
            "  call _" #body "\n"                                                          \
            "  addl $" #argBytes ", %esp\n"                                                \
            "  pushl %eax\n"                                                               \
            "  pushl $" #argBytes "\n"                                                     \
            "  call _qrlLeaveModule\n"                                                     \
            "  addl $4, %esp\n"                                                            \
            "  movl %eax, %ecx\n"                                                          \
            "  popl %eax\n"                                                                \
            "  testl %ecx, %ecx\n"                                                         \
            "  jnz 1f\n"                                                                   \
            "  ret $" #argBytes "\n"                                                       \
            "1:\n"                                                                         \
            "  jmp *%ecx\n")

#else
#error "entry thunks are written for x86 and x64"
#endif
