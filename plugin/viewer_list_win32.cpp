#include "viewer_list.h"

#include <algorithm>
#include <vector>

namespace qrl {
namespace {

struct LiveViewer {
    HWND window;
    HINSTANCE instance;
    std::unique_ptr<ViewerState> state;
};

// A few at most.
std::vector<LiveViewer> liveViewers;

std::vector<LiveViewer>::iterator find(HWND window) noexcept {
    return std::find_if(liveViewers.begin(), liveViewers.end(),
                        [window](const LiveViewer& viewer) { return viewer.window == window; });
}

}  // namespace

bool addLiveViewer(HWND window, HINSTANCE instance, std::unique_ptr<ViewerState>& state) noexcept {
    try {
        liveViewers.reserve(liveViewers.size() + 1);
    } catch (...) {
        return false;
    }
    liveViewers.push_back(LiveViewer{window, instance, std::move(state)});  // room made: can't throw
    return true;
}

void removeLiveViewer(HWND window) noexcept {
    const auto found = find(window);
    if (found == liveViewers.end()) return;
    const std::unique_ptr<ViewerState> state = std::move(found->state);
    liveViewers.erase(found);
}  // the state (and its images) goes here, once the list no longer names it

ViewerState* liveViewerState(HWND window) noexcept {
    if (!window) return nullptr;
    const auto found = find(window);
    return found == liveViewers.end() ? nullptr : found->state.get();
}

ViewerState* liveViewerState(HINSTANCE instance, HWND window) noexcept {
    if (!window) return nullptr;
    const auto found = find(window);
    return found == liveViewers.end() || found->instance != instance ? nullptr : found->state.get();
}

bool anyLiveViewer() noexcept { return !liveViewers.empty(); }

}  // namespace qrl
