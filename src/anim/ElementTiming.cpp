#include "anim/ElementTiming.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "anim/AnimTransition.h"
#include "anim/ElementMotion.h"
#include "platform/SubtractiveRandom.h"

namespace fw {

namespace {

// Narrower windows and ranges than this are treated as instants.
constexpr double kNarrow = 1e-5;

// Orders `order` by key, keeping creation order among equal keys.
template <class Key>
void sortBy(std::vector<int>& order, bool descending, Key key) {
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        double ka = key(a), kb = key(b);
        return descending ? ka > kb : ka < kb;
    });
}

// Moves one end of every launched window by a seeded amount of at most w / 2 either
// way. Elements without a launch position still draw, so that taking one out of the
// launch leaves the others' gaps where they were.
void applyGaps(const std::vector<int>& launchOrder, std::vector<double>& bound, long seed, double gaps,
               double w) {
    SubtractiveRandom random(seed);
    for (size_t i = 0; i < bound.size(); ++i) {
        double r = random.next();
        if (launchOrder[i] < 0) continue;
        bound[i] = std::clamp(bound[i] + (0.5 - r * gaps * 0.01) * w, 0.0, 1.0);
    }
}

}  // namespace

double ramp(double u, double lo, double hi) {
    if (u <= lo) return 0;
    if (u >= hi) return 1;
    if (hi - lo < kNarrow) return 0;
    return (u - lo) / (hi - lo);
}

// Elements get positions 0..k in launch order; ties on the sorting axis keep creation
// order. Only elements standing level (within the blending range) and the elements of a
// soft group share one.
std::vector<int> launchPositions(const AnimTransition& transition, std::span<const AnimElement> elements,
                                 bool together) {
    const int m = static_cast<int>(elements.size());
    std::vector<int> order(m);
    std::iota(order.begin(), order.end(), 0);
    // Creation order first: every other order sorts stably from it.
    sortBy(order, false, [&](int i) { return double(elements[i].creationIndex); });

    // The place each element launches by, and its size along the same line.
    std::vector<double> place(m, 0.0), size(m, 0.0);
    bool byPlace = false;
    auto axis = [&](int a) {
        byPlace = true;
        for (int i = 0; i < m; ++i) {
            place[i] = elements[i].center[a];
            size[i] = elements[i].bounds[a + 3] - elements[i].bounds[a];
        }
        return [&place](int i) { return place[i]; };
    };
    switch (transition.sequence.launchType) {
        case AnimSequenceParams::kRevBirth:
            std::reverse(order.begin(), order.end());
            break;
        case AnimSequenceParams::kRandom: {
            SubtractiveRandom random(transition.sequence.launchSeed);
            for (int i = m - 1; i > 0; --i) {
                int j = std::min(i, static_cast<int>(random.next() * (i + 1)));
                std::swap(order[i], order[j]);
            }
            break;
        }
        case AnimSequenceParams::kSelection:
        case AnimSequenceParams::kRevSelection: {
            // Picked elements in the order picked (or its reverse); the rest follow in
            // creation order either way.
            auto picked = std::stable_partition(order.begin(), order.end(),
                                                [&](int i) { return elements[i].selectionIndex >= 0; });
            bool reverse = transition.sequence.launchType == AnimSequenceParams::kRevSelection;
            std::stable_sort(order.begin(), picked, [&](int a, int b) {
                int sa = elements[a].selectionIndex, sb = elements[b].selectionIndex;
                return reverse ? sa > sb : sa < sb;
            });
            break;
        }
        case AnimSequenceParams::kTopBottom:
            sortBy(order, true, axis(1));
            break;
        case AnimSequenceParams::kBottomTop:
            sortBy(order, false, axis(1));
            break;
        case AnimSequenceParams::kLeftRight:
            sortBy(order, false, axis(0));
            break;
        case AnimSequenceParams::kRightLeft:
            sortBy(order, true, axis(0));
            break;
        // The camera looks down -z, so a larger z is nearer the viewer.
        case AnimSequenceParams::kFrontBack:
            sortBy(order, true, axis(2));
            break;
        case AnimSequenceParams::kBackFront:
            sortBy(order, false, axis(2));
            break;
        case AnimSequenceParams::kInOut:
        case AnimSequenceParams::kOutIn: {
            // The common centre is the mean of the elements' centres.
            double mid[3] = {0, 0, 0};
            for (const AnimElement& e : elements)
                for (int a = 0; a < 3; ++a) mid[a] += e.center[a] / m;
            // Distances from the centre tie by symmetry, not by standing level: these
            // elements launch one by one.
            for (int i = 0; i < m; ++i)
                place[i] = std::hypot(elements[i].center[0] - mid[0], elements[i].center[1] - mid[1],
                                      elements[i].center[2] - mid[2]);
            sortBy(order, transition.sequence.launchType == AnimSequenceParams::kOutIn,
                   [&](int i) { return place[i]; });
            break;
        }
        default:  // Birth, and any type outside the list
            break;
    }
    // Launched along an axis, elements that stand level launch together: those within the
    // blending range (a share of their mean size along the line) of the first of their run,
    // such as the letters of one line launched top to bottom. A soft group launches as
    // one, where its first member would. The positions stay consecutive.
    const double blending = transition.sequence.blendingRange;
    std::vector<int> positions(m);
    std::map<int, int> groupPosition;
    int next = 0, runFirst = -1, runPosition = 0;
    for (int k = 0; k < m; ++k) {
        const int i = order[k];
        const int group = elements[i].softGroup;
        if (auto at = groupPosition.find(group); group >= 0 && at != groupPosition.end()) {
            positions[i] = at->second;
            continue;
        }
        const bool level = together && byPlace && runFirst >= 0 && blending > 0 &&
                           std::fabs(place[i] - place[runFirst]) < blending * (size[i] + size[runFirst]) / 2;
        if (!level) runFirst = i, runPosition = next++;
        positions[i] = runPosition;
        if (group >= 0) groupPosition[group] = runPosition;
    }
    return positions;
}

namespace {

// Windows of elements launched by `order`: overlap (percent), gaps and clumps.
void windowsOf(const AnimTransition& transition, double overlap, const std::vector<int>& order,
               std::vector<double>& start, std::vector<double>& end) {
    const AnimSequenceParams& seq = transition.sequence;
    const size_t count = order.size();
    start.assign(count, 0.0);
    end.assign(count, 1.0);

    int m = 0;
    for (int k : order) m = std::max(m, k + 1);
    if (m == 0) return;

    // Overlap 0 runs every element over the whole transition, 100 one after another;
    // the last element always ends at 1.
    const double o = std::clamp(overlap * 0.01, 0.0, 1.0);
    const double den = o * m + 1 - o;
    for (size_t i = 0; i < count; ++i) {
        int k = order[i];
        if (k < 0) continue;
        start[i] = k * o / den;
        end[i] = (k * o + 1) / den;
    }

    const long seed = seq.launchSeed;
    const double n = transition.length + 1.0;
    const double d = n / den;
    const double w = (1 - o) * d / n;
    if (seq.startGaps > 0) applyGaps(order, start, seed + 1000, seq.startGaps, w);
    if (seq.endGaps > 0) applyGaps(order, end, seed + 2000, seq.endGaps, w);
    // Gaps up to 100 percent cannot cross a window's ends over (each end moves by less
    // than half of w, and w is at most the window's length); larger ones are held here.
    for (size_t i = 0; i < count; ++i) end[i] = std::max(end[i], start[i]);

    // A clump is a run of elements consecutive in launch order that travel as one: they
    // share one window, from the earliest start to the latest end among them, so the
    // transition's time stays filled.
    if (seq.clumps > 0) {
        std::vector<int> launched;
        for (size_t i = 0; i < count; ++i)
            if (order[i] >= 0) launched.push_back(static_cast<int>(i));
        std::stable_sort(launched.begin(), launched.end(), [&](int a, int b) { return order[a] < order[b]; });
        SubtractiveRandom random(seed + 100000);
        size_t at = 0;
        while (at < launched.size()) {
            double size = std::floor((random.next() * 0.5 + 0.75) * seq.clumps);
            size_t last = at + static_cast<size_t>(std::clamp(size, 1.0, double(launched.size() - at)));
            double lo = 1, hi = 0;
            for (size_t j = at; j < last; ++j) {
                lo = std::min(lo, start[launched[j]]);
                hi = std::max(hi, end[launched[j]]);
            }
            for (size_t j = at; j < last; ++j) {
                start[launched[j]] = lo;
                end[launched[j]] = hi;
            }
            at = last;
        }
    }
}

}  // namespace

void prepareTransition(AnimTransition& transition, std::span<const AnimElement> elements) {
    const size_t count = elements.size();
    transition.ease.build(transition.sequence.startEase, transition.sequence.endEase, transition.sequence.easeAmount);
    // Elements proper launch among themselves; fragments among their owner's fragments.
    std::vector<size_t> top;
    std::vector<std::vector<size_t>> pieces(count);
    for (size_t i = 0; i < count; ++i) {
        const int owner = elements[i].owner;
        if (owner >= 0 && static_cast<size_t>(owner) < count && elements[static_cast<size_t>(owner)].owner < 0)
            pieces[static_cast<size_t>(owner)].push_back(i);
        else
            top.push_back(i);
    }
    // A stored order of the right size is the user's and is kept.
    if (transition.launchOrder.size() != count) {
        std::vector<int> order(count, -1);
        // Fragments are mostly cut on a grid, where whole rows stand level: they launch one
        // by one, spread by the fragment overlap.
        auto place = [&](const std::vector<size_t>& members, bool together) {
            std::vector<AnimElement> subset;
            for (size_t i : members) subset.push_back(elements[i]);
            const std::vector<int> positions = launchPositions(transition, subset, together);
            for (size_t j = 0; j < members.size(); ++j) order[members[j]] = positions[j];
        };
        place(top, true);
        for (const std::vector<size_t>& members : pieces)
            if (!members.empty()) place(members, false);
        transition.launchOrder = std::move(order);
    }
    // An element the transition does not animate (one cache per element says so) is left
    // out of the launch: it travels over the whole transition, and the others close up.
    std::vector<int> order = transition.launchOrder;
    if (transition.caches.size() == count) {
        std::vector<size_t> launched;
        for (size_t i : top)
            if (transition.caches[i]->isAnimated && order[i] >= 0) launched.push_back(i);
            else order[i] = -1;
        if (launched.size() < top.size()) {
            // Positions shared by a soft group stay shared.
            std::vector<int> used;
            for (size_t i : launched) used.push_back(order[i]);
            std::sort(used.begin(), used.end());
            used.erase(std::unique(used.begin(), used.end()), used.end());
            for (size_t i : launched)
                order[i] = static_cast<int>(std::lower_bound(used.begin(), used.end(), order[i]) - used.begin());
        }
    }
    std::vector<double>& start = transition.windowStart;
    std::vector<double>& end = transition.windowEnd;
    start.assign(count, 0.0);
    end.assign(count, 1.0);
    std::vector<int> topOrder;
    for (size_t i : top) topOrder.push_back(order[i]);
    std::vector<double> s, e;
    const AnimSequenceParams& seq = transition.sequence;
    windowsOf(transition, seq.overlap, topOrder, s, e);
    for (size_t j = 0; j < top.size(); ++j) start[top[j]] = s[j], end[top[j]] = e[j];
    // A fragment runs the same rule again inside its owner's window, with the fragment
    // overlap when the sequence asks for one (else the elements' own overlap).
    const double innerOverlap = seq.fragOverlapCheck ? seq.fragOverlap : seq.overlap;
    for (size_t owner = 0; owner < count; ++owner) {
        const std::vector<size_t>& members = pieces[owner];
        if (members.empty()) continue;
        std::vector<int> innerOrder;
        for (size_t i : members) innerOrder.push_back(order[i]);
        windowsOf(transition, innerOverlap, innerOrder, s, e);
        const double ws = start[owner], span = end[owner] - start[owner];
        for (size_t j = 0; j < members.size(); ++j) {
            start[members[j]] = ws + s[j] * span;
            end[members[j]] = ws + e[j] * span;
        }
    }
}

ElementProgress elementProgress(const AnimTransition& transition, int element, double time) {
    ElementProgress r;
    r.p = (time - transition.startFrame + 1) / (transition.length + 1.0);
    double ws = 0, we = 1;
    if (element >= 0 && size_t(element) < transition.windowStart.size() &&
        size_t(element) < transition.windowEnd.size()) {
        ws = transition.windowStart[element];
        we = transition.windowEnd[element];
    }
    if (r.p <= ws) return r;
    if (r.p >= we) {
        r.u = r.a = r.v = 1;
        return r;
    }
    // A window too narrow to hold any motion jumps to its end state when it closes.
    r.u = we - ws >= kNarrow ? (r.p - ws) / (we - ws) : 0;
    const AnimSequenceParams& seq = transition.sequence;
    if (seq.startEase > 0 || seq.endEase > 0) r.u = transition.ease.value(r.u);
    r.a = ramp(r.u, transition.action.startTime * 0.01, transition.action.endTime * 0.01);
    r.v = ramp(r.u, transition.vis.startTime * 0.01, transition.vis.endTime * 0.01);
    return r;
}

double baseProgressOf(const AnimTransition& transition, int element, double local) {
    double ws = 0, we = 1;
    if (element >= 0 && size_t(element) < transition.windowStart.size() &&
        size_t(element) < transition.windowEnd.size()) {
        ws = transition.windowStart[element];
        we = transition.windowEnd[element];
    }
    const AnimSequenceParams& seq = transition.sequence;
    if (seq.startEase > 0 || seq.endEase > 0) local = transition.ease.inverse(local);
    return ws + (we - ws) * local;
}

}  // namespace fw
