#pragma once
// One line per headline figure for the table `make bench` prints at the end: the
// figure, what it is measured against (a peer in the same run, or the goal), and
// how many times better ours is (above 1: better); a figure with nothing to
// compare with has a note instead. Written to the file named by
// FW_BENCH_SUMMARY; nothing is written when it is unset.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fw::bench {

enum class Better { higher, lower };

inline void summaryRow(const std::string& measure, double ours, const std::string& unit, const std::string& against,
                       double theirs, Better better) {
    const char* path = std::getenv("FW_BENCH_SUMMARY");
    if (!path || !*path) return;
    std::FILE* out = std::fopen(path, "a");
    if (!out) return;
    if (theirs > 0) {
        double ratio = better == Better::higher ? ours / theirs : theirs / ours;
        std::fprintf(out, "%s\t%.4g %s\t%s: %.4g %s\t%.2f\n", measure.c_str(), ours, unit.c_str(), against.c_str(),
                     theirs, unit.c_str(), ratio);
    } else {
        std::fprintf(out, "%s\t%.4g %s\t%s\t-\n", measure.c_str(), ours, unit.c_str(), against.c_str());
    }
    std::fclose(out);
}

}  // namespace fw::bench
