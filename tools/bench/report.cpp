#include "report.h"

namespace qrl::bench {

Timing summarise(std::vector<double> timesMs) {
    Timing timing;
    if (timesMs.empty()) return timing;
    std::sort(timesMs.begin(), timesMs.end());
    const std::size_t n = timesMs.size();
    timing.runs = static_cast<int>(n);
    timing.minMs = timesMs.front();
    timing.maxMs = timesMs.back();
    timing.medianMs = (n % 2) ? timesMs[n / 2] : (timesMs[n / 2 - 1] + timesMs[n / 2]) / 2;
    return timing;
}

std::vector<Timing> measureInterleaved(int runs, const std::vector<Runner>& runners) {
    Stopwatch watch;
    for (const Runner& run : runners) run(watch);
    std::vector<std::vector<double>> timesMs(runners.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < runners.size(); ++k) {
            runners[k](watch);
            timesMs[k].push_back(watch.elapsedMs());
        }
    }
    std::vector<Timing> timings;
    for (auto& times : timesMs) timings.push_back(summarise(std::move(times)));
    return timings;
}

void Report::add(const std::string& name, const std::string& symbol, const Timing& timing, const std::string& note) {
    rows_.push_back({name, symbol, timing, note});
}

void Report::compare(const std::string& name, const std::string& symbol, const Timing& ours,
                     const std::string& baselineName, const Timing& baseline, Target target) {
    comparisons_.push_back({name, symbol, baselineName, ours, baseline, target});
}

void Report::addNote(const std::string& line) { notes_.push_back(line); }

void Report::print(std::FILE* out) const {
    std::fprintf(out, "| operation | symbol | median ms | min ms | max ms | runs | notes |\n");
    std::fprintf(out, "|---|---|---:|---:|---:|---:|---|\n");
    for (const Row& row : rows_) {
        std::fprintf(out, "| %s | %s | %.3f | %.3f | %.3f | %d | %s |\n", row.name.c_str(), row.symbol.c_str(),
                     row.timing.medianMs, row.timing.minMs, row.timing.maxMs, row.timing.runs, row.note.c_str());
    }
    if (!comparisons_.empty()) {
        std::fprintf(out, "\n| operation | symbol | ms | baseline | baseline ms | ratio | target | met |\n");
        std::fprintf(out, "|---|---|---:|---|---:|---:|---|---|\n");
    }
    for (const Comparison& c : comparisons_) {
        const bool measured = c.ours.medianMs > 0 && c.baseline.medianMs > 0;
        const double ratio = !measured ? 0 : c.target.atMost ? c.ours.medianMs / c.baseline.medianMs
                                                             : c.baseline.medianMs / c.ours.medianMs;
        const bool met = measured && (c.target.atMost ? ratio <= c.target.value : ratio >= c.target.value);
        char target[48];
        std::snprintf(target, sizeof(target), c.target.atMost ? "ours / baseline <= %g" : "baseline / ours >= %g",
                      c.target.value);
        std::fprintf(out, "| %s | %s | %.3f | %s | %.3f | %.2f | %s | %s |\n", c.name.c_str(), c.symbol.c_str(),
                     c.ours.medianMs, c.baselineName.c_str(), c.baseline.medianMs, ratio, target,
                     met ? "yes" : "NO");
    }
    if (!notes_.empty()) std::fprintf(out, "\n");
    for (const std::string& line : notes_) std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace qrl::bench
