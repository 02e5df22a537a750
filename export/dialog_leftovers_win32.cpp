#include "dialog_leftovers.h"

#include <algorithm>
#include <cstdint>

namespace qrl {
namespace {

bool runsOnWine() noexcept {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Wine's USER handles: slot index 0x20 + 2n in the low word; a handle without the generation
// (high word 0) names whatever the slot holds now.
constexpr std::uintptr_t kFirstUserSlot = 0x20;
constexpr std::uintptr_t kEndUserSlot = 0xFFF0;
constexpr WORD kRefreshCommand = 0x7100;

// Every accelerator table the process holds that is exactly shell32's refresh table.
// May throw std::bad_alloc.
std::vector<HACCEL> refreshTables() {
    std::vector<HACCEL> found;
    for (std::uintptr_t slot = kFirstUserSlot; slot < kEndUserSlot; slot += 2) {
        const auto table = reinterpret_cast<HACCEL>(slot);
        ACCEL entry{};
        if (::CopyAcceleratorTableW(table, nullptr, 0) == 1 && ::CopyAcceleratorTableW(table, &entry, 1) == 1 &&
            entry.fVirt == FVIRTKEY && entry.key == VK_F5 && entry.cmd == kRefreshCommand) {
            found.push_back(table);
        }
    }
    return found;
}

}  // namespace

DialogLeftoverSweep::DialogLeftoverSweep() noexcept {
    try {
        if (!runsOnWine()) return;
        heldBefore_ = refreshTables();
        active_ = true;
    } catch (...) {
        active_ = false;  // without the list of what was there before, nothing may be destroyed
    }
}

DialogLeftoverSweep::~DialogLeftoverSweep() {
    if (!active_) return;
    try {
        for (HACCEL table : refreshTables()) {
            if (std::find(heldBefore_.begin(), heldBefore_.end(), table) == heldBefore_.end()) {
                ::DestroyAcceleratorTable(table);
            }
        }
    } catch (...) {
        // A failed sweep only leaves the tables where they were.
    }
}

}  // namespace qrl
