#include "gdi_table.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <map>

#include "host_log.h"

namespace testhost {
namespace {

// One slot of the table; a handle is its index with the slot's Unique word above it.
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's slot is 24 bytes");
constexpr std::size_t kSlots = 0x10000;

const GdiHandleEntry* handleTable() {
#ifdef _WIN64
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
        return nullptr;
    }
    // GdiSharedHandleTable sits at offset 0xF8 of the x64 PEB.
    const void* table = nullptr;
    std::memcpy(&table, reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress) + 0xF8, sizeof(table));
    return static_cast<const GdiHandleEntry*>(table);
#else
    return nullptr;
#endif
}

std::string bitmapText(HGDIOBJ bitmap) {
    DIBSECTION dib{};
    const int got = ::GetObjectW(bitmap, sizeof(dib), &dib);
    if (got == 0) return "?";
    std::string text = std::to_string(dib.dsBm.bmWidth) + "x" + std::to_string(dib.dsBm.bmHeight) + "x" +
                       std::to_string(dib.dsBm.bmBitsPixel);
    return got == sizeof(DIBSECTION) ? text + " dib" : text;
}

std::string describe(HGDIOBJ handle) {
    switch (::GetObjectType(handle)) {
        case OBJ_BITMAP: return "bitmap " + bitmapText(handle);
        case OBJ_DC: case OBJ_MEMDC: {
            HGDIOBJ selected = ::GetCurrentObject(static_cast<HDC>(handle), OBJ_BITMAP);
            return std::string(::GetObjectType(handle) == OBJ_DC ? "dc" : "memdc") + " with " +
                   (selected ? bitmapText(selected) : "-");
        }
        case OBJ_FONT: {
            LOGFONTW font{};
            ::GetObjectW(handle, sizeof(font), &font);
            char face[LF_FACESIZE * 3] = {};
            ::WideCharToMultiByte(CP_UTF8, 0, font.lfFaceName, -1, face, sizeof(face), nullptr, nullptr);
            return std::string("font ") + face + " " + std::to_string(font.lfHeight);
        }
        case OBJ_BRUSH: {
            LOGBRUSH brush{};
            ::GetObjectW(handle, sizeof(brush), &brush);
            return "brush " + std::to_string(brush.lbStyle) + " " + std::to_string(brush.lbColor);
        }
        case OBJ_PEN: case OBJ_EXTPEN: return "pen";
        case OBJ_REGION: return "region";
        case OBJ_PAL: return "palette";
        case 0: return "unknown";
        default: return "type " + std::to_string(::GetObjectType(handle));
    }
}

// What each handle in use is.
std::vector<std::string> listGdiObjects() {
    std::vector<std::string> objects;
    const GdiHandleEntry* table = handleTable();
    if (!table) return objects;
    for (std::size_t slot = 1; slot < kSlots; ++slot) {
        if (table[slot].type == 0) continue;
        const std::uintptr_t handle = slot | (static_cast<std::uintptr_t>(table[slot].unique) << 16);
        objects.push_back("t" + std::to_string(table[slot].type) + " " + describe(reinterpret_cast<HGDIOBJ>(handle)));
    }
    return objects;
}

std::vector<std::string>& markedObjects() {
    static std::vector<std::string> marked;
    return marked;
}

}  // namespace

std::string runGdiMark(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: gdimark";
    markedObjects() = listGdiObjects();
    logLine("gdimark " + std::to_string(markedObjects().size()));
    return {};
}

std::string runGdiChanges(const std::vector<Token>& args) {
    if (!args.empty()) return "usage: gdichanges";
    const auto now = listGdiObjects();
    std::map<std::string, long> change;
    for (const std::string& what : markedObjects()) --change[what];
    for (const std::string& what : now) ++change[what];
    for (const auto& [what, count] : change) {
        if (count != 0) logLine("gdichange " + std::string(count > 0 ? "+" : "") + std::to_string(count) + " " + what);
    }
    logLine("gdichanges " + std::to_string(now.size()));
    return {};
}

}  // namespace testhost
