#include "fault_stub.h"

#include <cstring>

namespace testhost {
// The stub is x64 code: a 32-bit host has none of it.
#if defined(_WIN64)
namespace {

constexpr SIZE_T kBlockBytes = 64 * 1024;
constexpr SIZE_T kStubBytes = 128;  // the code below is 118 bytes

// Entry rsp is 8 mod 16 (the return address); 0x88 more makes it 0 mod 16 for the call, with
// 0x20 bytes of shadow space under the saved registers:
//   [rsp+20h] rcx  [rsp+28h] rdx  [rsp+30h] r8  [rsp+38h] r9  [rsp+40h..7Fh] xmm0-xmm3
constexpr BYTE kSave[] = {
    0x48, 0x81, 0xEC, 0x88, 0x00, 0x00, 0x00,  // sub rsp, 88h
    0x48, 0x89, 0x4C, 0x24, 0x20,              // mov [rsp+20h], rcx
    0x48, 0x89, 0x54, 0x24, 0x28,              // mov [rsp+28h], rdx
    0x4C, 0x89, 0x44, 0x24, 0x30,              // mov [rsp+30h], r8
    0x4C, 0x89, 0x4C, 0x24, 0x38,              // mov [rsp+38h], r9
    0x0F, 0x11, 0x44, 0x24, 0x40,              // movups [rsp+40h], xmm0
    0x0F, 0x11, 0x4C, 0x24, 0x50,              // movups [rsp+50h], xmm1
    0x0F, 0x11, 0x54, 0x24, 0x60,              // movups [rsp+60h], xmm2
    0x0F, 0x11, 0x5C, 0x24, 0x70,              // movups [rsp+70h], xmm3
};
constexpr BYTE kLoadIndex = 0xB9;                 // mov ecx, imm32
constexpr BYTE kPointAtArguments[] = {0x48, 0x8D, 0x54, 0x24, 0x20};  // lea rdx, [rsp+20h]
constexpr BYTE kLoadRouter[] = {0x48, 0xB8};      // mov rax, imm64
constexpr BYTE kCallRouter[] = {0xFF, 0xD0};      // call rax
constexpr BYTE kRestoreAndGo[] = {
    0x48, 0x8B, 0x4C, 0x24, 0x20,              // mov rcx, [rsp+20h]
    0x48, 0x8B, 0x54, 0x24, 0x28,              // mov rdx, [rsp+28h]
    0x4C, 0x8B, 0x44, 0x24, 0x30,              // mov r8, [rsp+30h]
    0x4C, 0x8B, 0x4C, 0x24, 0x38,              // mov r9, [rsp+38h]
    0x0F, 0x10, 0x44, 0x24, 0x40,              // movups xmm0, [rsp+40h]
    0x0F, 0x10, 0x4C, 0x24, 0x50,              // movups xmm1, [rsp+50h]
    0x0F, 0x10, 0x54, 0x24, 0x60,              // movups xmm2, [rsp+60h]
    0x0F, 0x10, 0x5C, 0x24, 0x70,              // movups xmm3, [rsp+70h]
    0x48, 0x81, 0xC4, 0x88, 0x00, 0x00, 0x00,  // add rsp, 88h
    0xFF, 0xE0,                                // jmp rax
};

BYTE* append(BYTE* at, const void* bytes, std::size_t count) {
    std::memcpy(at, bytes, count);
    return at + count;
}

}  // namespace
#endif

void* StubArena::makeStub(unsigned index, CallRouter route) noexcept {
#if defined(_WIN64)
    if (!block_ || usedBytes_ + kStubBytes > kBlockBytes) {
        block_ = static_cast<BYTE*>(::VirtualAlloc(nullptr, kBlockBytes, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        usedBytes_ = 0;
        if (!block_) return nullptr;
    }
    BYTE* const stub = block_ + usedBytes_;
    const auto routerAddress = reinterpret_cast<ULONG_PTR>(route);
    const auto index32 = static_cast<DWORD>(index);
    BYTE* at = append(stub, kSave, sizeof(kSave));
    at = append(at, &kLoadIndex, 1);
    at = append(at, &index32, sizeof(index32));
    at = append(at, kPointAtArguments, sizeof(kPointAtArguments));
    at = append(at, kLoadRouter, sizeof(kLoadRouter));
    at = append(at, &routerAddress, sizeof(routerAddress));
    at = append(at, kCallRouter, sizeof(kCallRouter));
    append(at, kRestoreAndGo, sizeof(kRestoreAndGo));
    usedBytes_ += kStubBytes;
    ::FlushInstructionCache(::GetCurrentProcess(), stub, kStubBytes);
    return stub;
#else
    // 32-bit hosts don't inject.
    (void)index;
    (void)route;
    return nullptr;
#endif
}

}  // namespace testhost
