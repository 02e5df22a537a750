#pragma once
// The bench's output: one Markdown table of every timing, then each timing the plugin is held to
// beside its baseline and its target.
#include <cstdio>
#include <string>
#include <vector>

#include "timing.h"

namespace qrl::bench {

// A ratio's bound: at most `value` (ours / baseline) or at least `value` (baseline / ours).
struct Target {
    bool atMost = true;
    double value = 1;
};

class Report {
public:
    // One timed row. symbol: e.g. "v40 1770 px"; note: anything else worth a column (bytes).
    void add(const std::string& name, const std::string& symbol, const Timing& timing, const std::string& note = {});

    // ours beside baseline, held to target: ours / baseline at most target.value when atMost,
    // else baseline / ours at least target.value (so many times faster). Both should have been
    // measured interleaved.
    void compare(const std::string& name, const std::string& symbol, const Timing& ours,
                 const std::string& baselineName, const Timing& baseline, Target target);

    // A line of explanation printed after the tables.
    void addNote(const std::string& line);

    void print(std::FILE* out) const;

private:
    struct Row {
        std::string name, symbol;
        Timing timing;
        std::string note;
    };
    struct Comparison {
        std::string name, symbol, baselineName;
        Timing ours, baseline;
        Target target;
    };
    std::vector<Row> rows_;
    std::vector<Comparison> comparisons_;
    std::vector<std::string> notes_;
};

}  // namespace qrl::bench
