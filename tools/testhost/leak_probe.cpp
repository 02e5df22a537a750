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

struct TableEnd {
    long heldByOthers = -1;  // slots in use by anyone but the taker, -1 when not found
    unsigned endSlot = 0;    // every slot below it had been handed out, at the time
    unsigned stride = 0;
};

template <typename Create, typename Destroy>
TableEnd findTableEnd(Create create, Destroy destroy, unsigned (*generationOf)(std::uintptr_t), std::size_t freshRun) {
    using Handle = decltype(create());
    std::vector<Handle> made;
    std::size_t run = 0;
    unsigned previousSlot = 0;
    int stride = 0;
    TableEnd end;
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
            end = {static_cast<long>(slot / static_cast<unsigned>(stride)) - static_cast<long>(made.size()), slot,
                   static_cast<unsigned>(stride)};
            break;
        }
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) destroy(*it);
    return end;
}

// Whether the USER object in `slot` is this process's. Wine takes a handle whose generation is 0
// for the slot's object of any generation; a window answers for any process, the other kinds only
// to their own. (Kinds the plugin never makes, such as hooks, are not asked after.)
bool isOwnUserObject(unsigned slot, DWORD self) {
    const auto handle = static_cast<std::uintptr_t>(slot);
    DWORD process = 0;
    if (::GetWindowThreadProcessId(reinterpret_cast<HWND>(handle), &process) != 0) return process == self;
    if (::IsMenu(reinterpret_cast<HMENU>(handle))) return true;
    if (::CopyAcceleratorTableW(reinterpret_cast<HACCEL>(handle), nullptr, 0) > 0) return true;
    ICONINFO info{};
    if (!::GetIconInfo(reinterpret_cast<HICON>(handle), &info)) return false;
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    return true;
}

}  // namespace

HandleTableUse measureHandleTableUse() {
    HandleTableUse use;
    use.gdiObjects = findTableEnd([] { return ::CreateSolidBrush(RGB(1, 2, 3)); },
                                  [](HBRUSH brush) { ::DeleteObject(brush); }, gdiGeneration, kFreshGdiRun)
                         .heldByOthers;
    const TableEnd user = findTableEnd([] { return ::CreateMenu(); }, [](HMENU menu) { ::DestroyMenu(menu); },
                                       userGeneration, kFreshUserRun);
    if (user.heldByOthers < 0) return use;
    const DWORD self = ::GetCurrentProcessId();
    use.userObjects = 0;
    for (unsigned slot = user.stride; slot < user.endSlot; slot += user.stride) {
        use.userObjects += isOwnUserObject(slot, self) ? 1 : 0;
    }
    return use;
}

}  // namespace testhost
