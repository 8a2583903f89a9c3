#include "anim/WarpMotion.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/EaseCurve.h"

namespace fw {

namespace {

// A line cut into the text between numbers and the numbers themselves. Quoted strings
// are text, so a name with digits in it is never a parameter.
struct Cut {
    std::vector<std::string> text;  // one more than numbers
    std::vector<std::string> numbers;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

Cut cut(const std::string& line) {
    Cut c;
    c.text.emplace_back();
    bool quoted = false;
    size_t i = 0;
    while (i < line.size()) {
        const char ch = line[i];
        if (ch == '"' && (i == 0 || line[i - 1] != '\\')) quoted = !quoted;
        const bool startsNumber = !quoted && (isDigit(ch) || ((ch == '-' || ch == '+' || ch == '.') &&
                                                              i + 1 < line.size() && (isDigit(line[i + 1]) || line[i + 1] == '.')));
        const bool afterWord = i > 0 && (std::isalpha(static_cast<unsigned char>(line[i - 1])) || line[i - 1] == '_');
        if (startsNumber && !afterWord) {
            char* end = nullptr;
            std::strtod(line.c_str() + i, &end);
            const size_t length = static_cast<size_t>(end - (line.c_str() + i));
            if (length > 0) {
                c.numbers.push_back(line.substr(i, length));
                c.text.emplace_back();
                i += length;
                continue;
            }
        }
        c.text.back() += ch;
        ++i;
    }
    return c;
}

bool whole(const std::string& number) { return number.find_first_of(".eE") == std::string::npos; }

std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end + 1;
        out.push_back(bytes.substr(at, end - at));
        at = end;
    }
    return out;
}

}  // namespace

std::string interpolateWarp(const std::string& from, const std::string& to, double u) {
    const std::vector<std::string> a = lines(from), b = lines(to);
    std::string out;
    for (size_t l = 0; l < a.size(); ++l) {
        if (l >= b.size()) {
            out += a[l];
            continue;
        }
        const Cut ca = cut(a[l]), cb = cut(b[l]);
        if (ca.text != cb.text) {  // not the same parameter: the start's line
            out += a[l];
            continue;
        }
        for (size_t n = 0; n < ca.numbers.size(); ++n) {
            out += ca.text[n];
            const std::string &x = ca.numbers[n], &y = cb.numbers[n];
            const double p = std::strtod(x.c_str(), nullptr), q = std::strtod(y.c_str(), nullptr);
            if (x == y || p == q) {
                out += x;
                continue;
            }
            const double v = (1 - u) * p + u * q;
            char buffer[64];
            if (whole(x) && whole(y))
                std::snprintf(buffer, sizeof buffer, "%.0f", std::round(v));
            else
                std::snprintf(buffer, sizeof buffer, "%g", v);
            out += buffer;
        }
        out += ca.text.back();
    }
    return out;
}

bool updateWarp(AnimTrack& track, double time) {
    if (track.trackType != AnimTrack::kWarpTrack) return false;
    AnimTrackSegment* segment = track.segmentAt(time);
    if (!segment || segment->segmentType() != AnimTrackSegment::kTransition) return false;
    auto& transition = static_cast<AnimTransition&>(*segment);
    if (transition.smoothing.startSmooth != 0 || transition.smoothing.endSmooth != 0) return false;
    size_t i = 0;
    while (i < track.segments.size() && track.segments[i].get() != segment) ++i;
    auto warpOf = [&](size_t s) -> const KeptLines* {
        if (s >= track.segments.size() || track.segments[s]->segmentType() != AnimTrackSegment::kPose) return nullptr;
        return static_cast<const AnimPose&>(*track.segments[s]).warp.get();
    };
    const KeptLines* from = i > 0 ? warpOf(i - 1) : nullptr;
    const KeptLines* to = warpOf(i + 1);
    if (!from || !to) return false;
    // Element 0's progress: its window when the transition has been prepared, else the
    // whole transition; eased as the sequencing says.
    const double p = (time - transition.startFrame + 1) / (transition.length + 1.0);
    double ws = 0, we = 1;
    if (!transition.windowStart.empty() && !transition.windowEnd.empty())
        ws = transition.windowStart[0], we = transition.windowEnd[0];
    double u = p <= ws ? 0 : p >= we ? 1 : we - ws >= 1e-5 ? (p - ws) / (we - ws) : 0;
    const AnimSequenceParams& seq = transition.sequence;
    if (u > 0 && u < 1 && (seq.startEase > 0 || seq.endEase > 0)) {
        EaseCurve ease;
        ease.build(seq.startEase, seq.endEase, seq.easeAmount);
        u = ease.value(u);
    }
    if (!transition.warp) transition.warp = std::make_unique<KeptLines>();
    transition.warp->assign(interpolateWarp(from->bytes(), to->bytes(), u));
    return true;
}

}  // namespace fw
