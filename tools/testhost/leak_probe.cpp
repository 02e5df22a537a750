#include "leak_probe.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace testhost {
namespace {

constexpr std::size_t kMostObjects = 65536;
// This many never-used slots in a row, each one stride after the last: the free list is empty.
// (A reused GDI slot's generation wraps back to 1 after about a hundred uses; a run this long of
// such slots, in slot order, doesn't happen.)
constexpr std::size_t kFreshGdiRun = 32;
// USER slots are the wineserver's, shared by every process it serves, and a slot once used is
// never fresh again: each reading uses up a run for good, so a long run would exhaust the table
// (32,767 slots) after about a thousand readings in one server. A USER generation wraps only
// after 65,535 uses, so the first two fresh slots (two, for the stride) already prove the free
// list empty.
constexpr std::size_t kFreshUserRun = 2;

unsigned slotOf(std::uintptr_t handle) { return static_cast<unsigned>(handle & 0xFFFF); }
unsigned gdiGeneration(std::uintptr_t handle) { return static_cast<unsigned>((handle >> 24) & 0xFF); }
unsigned userGeneration(std::uintptr_t handle) { return static_cast<unsigned>((handle >> 16) & 0xFFFF); }

template <typename Create, typename Destroy>
long slotsHeldByOthers(Create create, Destroy destroy, unsigned (*generationOf)(std::uintptr_t), std::size_t freshRun) {
    using Handle = decltype(create());
    std::vector<Handle> made;
    std::size_t run = 0;
    unsigned previousSlot = 0;
    int stride = 0;
    long result = -1;
    while (made.size() < kMostObjects) {
        const Handle handle = create();
        if (!handle) break;
        made.push_back(handle);
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        const unsigned slot = slotOf(value);
        const int step = static_cast<int>(slot) - static_cast<int>(previousSlot);
        if (generationOf(value) != 1) {
            run = 0;
        } else if (run == 0 || (run == 1 && step > 0) || (run > 1 && step == stride)) {
            if (run == 1) stride = step;
            ++run;
        } else {
            run = 1;
        }
        previousSlot = slot;
        if (run == freshRun) {
            result = static_cast<long>(slot / static_cast<unsigned>(stride)) - static_cast<long>(made.size());
            break;
        }
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) destroy(*it);
    return result;
}

}  // namespace

HandleTableUse measureHandleTableUse() {
    HandleTableUse use;
    use.gdiObjects = slotsHeldByOthers([] { return ::CreateSolidBrush(RGB(1, 2, 3)); },
                                       [](HBRUSH brush) { ::DeleteObject(brush); }, gdiGeneration, kFreshGdiRun);
    use.userObjects = slotsHeldByOthers([] { return ::CreateMenu(); }, [](HMENU menu) { ::DestroyMenu(menu); },
                                        userGeneration, kFreshUserRun);
    return use;
}

}  // namespace testhost
