#pragma once
// Repeated timing of one operation: median, min and max in milliseconds.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace qrl::bench {

struct Timing {
    double medianMs = 0;
    double minMs = 0;
    double maxMs = 0;
    int runs = 0;
};

// Times the span between start() and stop(); a run sets up and tears down outside it.
class Stopwatch {
public:
    void start() noexcept { begin_ = Clock::now(); }
    void stop() noexcept { elapsedMs_ = std::chrono::duration<double, std::milli>(Clock::now() - begin_).count(); }
    double elapsedMs() const noexcept { return elapsedMs_; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point begin_{};
    double elapsedMs_ = 0;
};

// Summary of a set of run times (ms). The median of an even count is the mean of the middle two.
Timing summarise(std::vector<double> timesMs);

// Calls run(Stopwatch&) once untimed (first-use costs: DLL loads, caches), then `runs` times.
template <typename Run>
Timing measure(int runs, Run&& run) {
    Stopwatch watch;
    run(watch);
    std::vector<double> timesMs;
    timesMs.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        run(watch);
        timesMs.push_back(watch.elapsedMs());
    }
    return summarise(std::move(timesMs));
}

// One operation of an interleaved set: gets the stopwatch to start and stop around its work.
using Runner = std::function<void(Stopwatch&)>;

// Calls every runner once untimed, then `runs` rounds of each in turn, so that whatever else the
// machine is doing falls on all of them alike: the figures of one set compare fairly.
std::vector<Timing> measureInterleaved(int runs, const std::vector<Runner>& runners);

}  // namespace qrl::bench
