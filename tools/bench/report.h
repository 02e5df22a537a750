#pragma once
// The bench's output: one Markdown table of timings, then the ratios with their targets.
#include <cstdio>
#include <string>
#include <vector>

#include "timing.h"

namespace qrl::bench {

class Report {
public:
    // One timed row. symbol: e.g. "v40 1770 px"; note: anything else worth a column (bytes).
    void add(const std::string& name, const std::string& symbol, const Timing& timing, const std::string& note = {});

    // numerator / denominator, of their medians and of their minima (which other work on the
    // machine can only raise), held to target: at most target when atMost, else at least.
    void addRatio(const std::string& name, const Timing& numerator, const Timing& denominator, bool atMost,
                  double target);

    // A line of explanation printed after the ratios.
    void addNote(const std::string& line);

    void print(std::FILE* out) const;

private:
    struct Row {
        std::string name, symbol;
        Timing timing;
        std::string note;
    };
    struct Ratio {
        std::string name;
        double ofMedians;
        double ofMinima;
        std::string target;
        bool met;
    };
    std::vector<Row> rows_;
    std::vector<Ratio> ratios_;
    std::vector<std::string> notes_;
};

}  // namespace qrl::bench
