#include "import_table.h"

#include <cstring>
#include <set>

namespace testhost {
namespace {

std::set<ULONG_PTR>& reroutedValues() {
    static std::set<ULONG_PTR> values;
    return values;
}

}  // namespace

void forEachImport(HMODULE module, const std::function<void(const ImportSlot&)>& visit) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
         ++library) {
        const std::string libraryName = reinterpret_cast<const char*>(base + library->Name);
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            visit(ImportSlot{libraryName, reinterpret_cast<const char*>(byName->Name), &slots->u1.Function});
        }
    }
}

bool writeSlot(ULONG_PTR* slot, ULONG_PTR value) {
    DWORD oldProtection = 0;
    if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &oldProtection)) return false;
    *slot = value;
    ::VirtualProtect(slot, sizeof(*slot), oldProtection, &oldProtection);
    reroutedValues().insert(value);
    return true;
}

bool isRerouted(ULONG_PTR value) { return reroutedValues().count(value) != 0; }

bool patchImport(HMODULE module, const char* library, const char* name, void* replacement, void** real) {
    bool found = false;
    forEachImport(module, [&](const ImportSlot& import) {
        if (found || _stricmp(import.library.c_str(), library) != 0 || import.name != name) return;
        found = true;
        const auto target = reinterpret_cast<ULONG_PTR>(replacement);
        if (*import.slot == target || isRerouted(*import.slot)) return;
        void* previous = reinterpret_cast<void*>(*import.slot);
        if (!writeSlot(import.slot, target)) {
            found = false;
            return;
        }
        *real = previous;
    });
    return found;
}

}  // namespace testhost
