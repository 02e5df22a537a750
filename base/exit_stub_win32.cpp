#include "exit_stub.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace qrl {
namespace {

constexpr std::size_t kPageBytes = 4096;  // x86 and x64 pages
constexpr std::size_t kRunningByteOffset = kPageBytes;  // the first byte of the second page

// Copies bytes at code[at], returning the offset after them.
std::size_t emit(unsigned char* code, std::size_t at, const void* bytes, std::size_t count) noexcept {
    std::memcpy(code + at, bytes, count);
    return at + count;
}

template <typename Value>
std::size_t emitValue(unsigned char* code, std::size_t at, Value value) noexcept {
    return emit(code, at, &value, sizeof(value));
}

#if defined(_WIN64)
constexpr std::size_t kUnwindInfoOffset = 64;
constexpr std::size_t kFunctionOffset = 80;

// mov byte [rip + to running byte], value (7 bytes)
std::size_t emitSetRunning(unsigned char* code, std::size_t at, unsigned char value) noexcept {
    const unsigned char opcode[] = {0xC6, 0x05};
    at = emit(code, at, opcode, sizeof(opcode));
    const auto next = static_cast<std::int64_t>(at + 4 + 1);
    at = emitValue(code, at, static_cast<std::int32_t>(static_cast<std::int64_t>(kRunningByteOffset) - next));
    return emitValue(code, at, value);
}

// Entered by a jump from an entry thunk's body, its 40-byte frame still allocated (rsp 16-aligned,
// the return address above the frame): the stub uses that frame (FreeLibrary's shadow space, the
// result in the slot above it) and pops it on the way out.
std::size_t emitCode(unsigned char* code, HMODULE module, void* freeLibrary) noexcept {
    const unsigned char keepResult[] = {0x48, 0x89, 0x44, 0x24, 0x20};      // mov [rsp+32], rax
    std::size_t at = emit(code, 0, keepResult, sizeof(keepResult));
    at = emitSetRunning(code, at, 1);
    const unsigned char moveRcx[] = {0x48, 0xB9};                            // mov rcx, imm64
    at = emitValue(code, emit(code, at, moveRcx, sizeof(moveRcx)), module);
    const unsigned char moveRax[] = {0x48, 0xB8};                            // mov rax, imm64
    at = emitValue(code, emit(code, at, moveRax, sizeof(moveRax)), freeLibrary);
    const unsigned char callRax[] = {0xFF, 0xD0};                            // call rax
    at = emit(code, at, callRax, sizeof(callRax));
    at = emitSetRunning(code, at, 0);
    const unsigned char epilogue[] = {0x48, 0x8B, 0x44, 0x24, 0x20,          // mov rax, [rsp+32]
                                      0x48, 0x83, 0xC4, 0x28,                // add rsp, 40
                                      0xC3};                                 // ret
    return emit(code, at, epilogue, sizeof(epilogue));
}

// Unwind data, so that a stack walk or an exception dispatched while FreeLibrary runs (the
// module's unload code) finds the host's frames above the stub: no prologue of its own, the
// thunk's 40 bytes allocated from its first instruction on.
void emitUnwindData(unsigned char* code, std::size_t codeBytes) noexcept {
    const unsigned char unwindInfo[] = {
        0x01,        // version 1, no handler
        0,           // no prologue
        1, 0,        // one unwind code, no frame register
        0, 0x42,     // from offset 0: UWOP_ALLOC_SMALL of (4 + 1) * 8 = 40 bytes
        0, 0};       // padding to an even count
    emit(code, kUnwindInfoOffset, unwindInfo, sizeof(unwindInfo));
    RUNTIME_FUNCTION function{};
    function.BeginAddress = 0;
    function.EndAddress = static_cast<DWORD>(codeBytes);
    function.UnwindData = static_cast<DWORD>(kUnwindInfoOffset);
    emitValue(code, kFunctionOffset, function);
}
#else
constexpr std::size_t kEntryBytes = 32;
constexpr unsigned kLargestArgBytes = 16;

// mov byte [running byte], value (7 bytes)
std::size_t emitSetRunning(unsigned char* code, std::size_t at, unsigned char value) noexcept {
    const unsigned char opcode[] = {0xC6, 0x05};
    at = emit(code, at, opcode, sizeof(opcode));
    at = emitValue(code, at, reinterpret_cast<std::uint32_t>(code + kRunningByteOffset));
    return emitValue(code, at, value);
}

// One entry per size of arguments to pop: FreeLibrary is __stdcall and pops its own.
void emitEntry(unsigned char* code, std::size_t at, HMODULE module, void* freeLibrary, unsigned argBytes) noexcept {
    const unsigned char pushEax[] = {0x50};
    at = emit(code, at, pushEax, sizeof(pushEax));
    at = emitSetRunning(code, at, 1);
    const unsigned char push[] = {0x68};                                     // push imm32
    at = emitValue(code, emit(code, at, push, sizeof(push)), reinterpret_cast<std::uint32_t>(module));
    const unsigned char moveEax[] = {0xB8};                                  // mov eax, imm32
    at = emitValue(code, emit(code, at, moveEax, sizeof(moveEax)), reinterpret_cast<std::uint32_t>(freeLibrary));
    const unsigned char callEax[] = {0xFF, 0xD0};                            // call eax
    at = emit(code, at, callEax, sizeof(callEax));
    at = emitSetRunning(code, at, 0);
    const unsigned char popEaxReturn[] = {0x58, 0xC2};                       // pop eax; ret imm16
    at = emit(code, at, popEaxReturn, sizeof(popEaxReturn));
    emitValue(code, at, static_cast<std::uint16_t>(argBytes));
}
#endif

}  // namespace

ExitStub ExitStub::make(HMODULE module) noexcept {
    ExitStub stub;
    auto* pages = static_cast<unsigned char*>(
        ::VirtualAlloc(nullptr, 2 * kPageBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!pages) return stub;
    void* const freeLibrary = reinterpret_cast<void*>(&::FreeLibrary);
#if defined(_WIN64)
    emitUnwindData(pages, emitCode(pages, module, freeLibrary));
#else
    for (unsigned argBytes = 0; argBytes <= kLargestArgBytes; argBytes += 4) {
        emitEntry(pages, argBytes / 4 * kEntryBytes, module, freeLibrary, argBytes);
    }
#endif
    DWORD previous = 0;
    if (!::VirtualProtect(pages, kPageBytes, PAGE_EXECUTE_READ, &previous)) {
        ::VirtualFree(pages, 0, MEM_RELEASE);
        return stub;
    }
    ::FlushInstructionCache(::GetCurrentProcess(), pages, kPageBytes);
#if defined(_WIN64)
    auto* function = reinterpret_cast<RUNTIME_FUNCTION*>(pages + kFunctionOffset);
    if (!::RtlAddFunctionTable(function, 1, reinterpret_cast<DWORD64>(pages))) {
        ::VirtualFree(pages, 0, MEM_RELEASE);
        return stub;
    }
    stub.functionTable_ = function;
#endif
    stub.pages_ = pages;
    return stub;
}

ExitStub::ExitStub(ExitStub&& other) noexcept
    : pages_(std::exchange(other.pages_, nullptr)), functionTable_(std::exchange(other.functionTable_, nullptr)) {}

ExitStub& ExitStub::operator=(ExitStub&& other) noexcept {
    if (this != &other) {
        release();
        pages_ = std::exchange(other.pages_, nullptr);
        functionTable_ = std::exchange(other.functionTable_, nullptr);
    }
    return *this;
}

ExitStub::~ExitStub() { release(); }

void ExitStub::release() noexcept {
    if (!pages_ || running()) return;
#if defined(_WIN64)
    if (functionTable_) ::RtlDeleteFunctionTable(static_cast<RUNTIME_FUNCTION*>(functionTable_));
#endif
    ::VirtualFree(pages_, 0, MEM_RELEASE);
    pages_ = nullptr;
    functionTable_ = nullptr;
}

void* ExitStub::entryFor(unsigned argBytes) const noexcept {
    if (!pages_) return nullptr;
#if defined(_WIN64)
    return argBytes == 0 ? pages_ : nullptr;
#else
    if (argBytes % 4 != 0 || argBytes > kLargestArgBytes) return nullptr;
    return pages_ + argBytes / 4 * kEntryBytes;
#endif
}

bool ExitStub::running() const noexcept {
    return pages_ && *static_cast<volatile unsigned char*>(pages_ + kRunningByteOffset) != 0;
}

void ExitStub::abandon() noexcept {
    pages_ = nullptr;
    functionTable_ = nullptr;
}

}  // namespace qrl
