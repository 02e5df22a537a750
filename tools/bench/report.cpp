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

void Report::addRatio(const std::string& name, const Timing& numerator, const Timing& denominator, bool atMost,
                      double target) {
    if (denominator.medianMs <= 0 || denominator.minMs <= 0) return;
    const double ofMedians = numerator.medianMs / denominator.medianMs;
    const double ofMinima = numerator.minMs / denominator.minMs;
    char text[32];
    std::snprintf(text, sizeof(text), "%s %.0f", atMost ? "<=" : ">=", target);
    ratios_.push_back({name, ofMedians, ofMinima, text, atMost ? ofMedians <= target : ofMedians >= target});
}

void Report::addNote(const std::string& line) { notes_.push_back(line); }

void Report::print(std::FILE* out) const {
    std::fprintf(out, "| operation | symbol | median ms | min ms | max ms | runs | notes |\n");
    std::fprintf(out, "|---|---|---:|---:|---:|---:|---|\n");
    for (const Row& row : rows_) {
        std::fprintf(out, "| %s | %s | %.3f | %.3f | %.3f | %d | %s |\n", row.name.c_str(), row.symbol.c_str(),
                     row.timing.medianMs, row.timing.minMs, row.timing.maxMs, row.timing.runs, row.note.c_str());
    }
    if (!ratios_.empty()) {
        std::fprintf(out, "\n| ratio | of medians | of minima | target | met (medians) |\n|---|---:|---:|---|---|\n");
        for (const Ratio& ratio : ratios_) {
            std::fprintf(out, "| %s | %.2f | %.2f | %s | %s |\n", ratio.name.c_str(), ratio.ofMedians, ratio.ofMinima,
                         ratio.target.c_str(), ratio.met ? "yes" : "NO");
        }
    }
    if (!notes_.empty()) std::fprintf(out, "\n");
    for (const std::string& line : notes_) std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace qrl::bench
