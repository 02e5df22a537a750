#pragma once
// The plugin's import address table: where each function it imports is called through. Patching
// a slot reroutes the plugin's calls of that function only; the host and other modules keep
// calling the real one.
#include <windows.h>

#include <functional>
#include <string>

namespace testhost {

struct ImportSlot {
    std::string library;  // as the plugin names it, e.g. "USER32.dll"
    std::string name;     // the function's name; imports by ordinal are skipped
    ULONG_PTR* slot;      // what the plugin calls through
};

// Calls visit for every named import of module, in the order of its import directory.
void forEachImport(HMODULE module, const std::function<void(const ImportSlot&)>& visit);

// Points module's import of name from library (case-insensitive, e.g. "comdlg32.dll") at
// replacement. real receives what the slot held, unless the slot was already rerouted by the
// host (by writeSlot: the library was loaded again while an earlier mapping stayed, and its
// slot may now hold another hook on top of this one). False when module doesn't import it.
bool patchImport(HMODULE module, const char* library, const char* name, void* replacement, void** real);

// Writes value into an import slot, lifting the page's protection for the write. The value is
// remembered as the host's own (see isRerouted).
bool writeSlot(ULONG_PTR* slot, ULONG_PTR value);

// Whether value is something writeSlot has put into a slot.
bool isRerouted(ULONG_PTR value);

}  // namespace testhost
