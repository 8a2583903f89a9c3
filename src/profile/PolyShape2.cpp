#include "profile/PolyShape2.h"

#include <algorithm>
#include <numeric>

#include "profile/Geo2Interface.h"

namespace fw {

int PolyShape2::addPoint(double x, double y) {
    points_.push_back({x, y});
    return pointCount() - 1;
}

int PolyShape2::addLinks(const int* points, int count, bool closed) {
    if (count < 1 || !points) return -1;
    for (int i = 0; i < count; ++i)
        if (points[i] < 0 || points[i] >= pointCount()) return -1;
    int first = static_cast<int>(links_.size());
    for (int i = 0; i < count; ++i) {
        int next = i + 1 < count ? first + i + 1 : (closed ? first : -1);
        links_.push_back({points[i], next});
    }
    loops_.push_back(first);
    return loopCount() - 1;
}

int PolyShape2::addLoop(const int* points, int count) { return addLinks(points, count, true); }
int PolyShape2::addChain(const int* points, int count) { return addLinks(points, count, false); }

int PolyShape2::addShape(const Geo2Interface& shape) {
    int base = pointCount();
    double xy[2];
    for (int i = 0; i < shape.pointCount(); ++i) {
        shape.getPoint(i, xy);
        addPoint(xy[0], xy[1]);
    }
    std::vector<int> indices(Geo2Interface::kMaxCopiedPoints);
    int added = 0;
    for (int e = 0; e < shape.elementCount(); ++e) {
        Geo2Interface::ElementInfo info;
        if (!shape.getElement(e, info, indices.data(), nullptr, nullptr)) continue;
        if (info.kind != Geo2Interface::Closed || info.pointCount == 0) continue;
        bool valid = true;
        for (int i = 0; i < info.pointCount; ++i) {
            if (indices[i] < 0 || indices[i] >= shape.pointCount())
                valid = false;
            indices[i] += base;
        }
        if (valid && addLoop(indices.data(), info.pointCount) >= 0) ++added;
    }
    return added;
}

template <class Edge>
bool PolyShape2::walk(int loop, int maxEdges, Edge&& edge) const {
    if (loop < 0 || loop >= loopCount()) return false;
    int links = static_cast<int>(links_.size());
    int start = loops_[loop];
    int current = start;
    for (int edges = 0; edges < maxEdges; ++edges) {
        int next = links_[current].next;
        if (next < 0 || next >= links) return false;
        edge(points_[links_[current].point],
             points_[links_[next].point]);
        current = next;
        if (current == start) return true;
    }
    // Out of edges: a loop cut off by the limit, or links that never come back.
    return false;
}

std::vector<int> PolyShape2::loopPoints(int loop) const {
    std::vector<int> result;
    if (loop < 0 || loop >= loopCount()) return result;
    int current = loops_[loop];
    for (size_t n = 0; n < links_.size() && current >= 0 && current < static_cast<int>(links_.size()); ++n) {
        result.push_back(links_[current].point);
        current = links_[current].next;
        if (current == loops_[loop]) break;
    }
    return result;
}

bool PolyShape2::loopContainsPoint(int loop, double x, double y) const {
    int left = 0, right = 0;
    walk(loop, kMaxContainmentEdges, [&](const Point& a, const Point& b) {
        if (a.y == b.y) return;
        double yLow = std::min(a.y, b.y), yHigh = std::max(a.y, b.y);
        if (y < yLow || y >= yHigh) return;
        double crossing = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (crossing <= x)
            ++left;
        else
            ++right;
    });
    if ((left + right) % 2 != 0) {
        std::fprintf(console_, "PolyShape2::loopContainsPoint exception:\n");
        std::fprintf(console_, "right_crossings %d left_crossings %d\n", right, left);
        return false;
    }
    return right % 2 != 0;
}

bool PolyShape2::loopIsClockwise(int loop) const {
    double s = 0;
    bool closed = walk(loop, static_cast<int>(links_.size()), [&](const Point& a, const Point& b) {
        s += (b.x - a.x) * a.y - (b.y - a.y) * a.x;
    });
    return !closed || s >= 0;
}

bool PolyShape2::reverseLoop(int loop) {
    if (loop < 0 || loop >= loopCount()) return false;
    int start = loops_[loop];
    int links = static_cast<int>(links_.size());
    std::vector<int> order{start};
    bool closed = false;
    for (int current = start; static_cast<int>(order.size()) <= links;) {
        int next = links_[current].next;
        if (next < 0 || next >= links) break;
        if (next == start) {
            closed = true;
            break;
        }
        order.push_back(next);
        current = next;
    }
    if (static_cast<int>(order.size()) > links) return false;  // links that never come back
    size_t n = order.size();
    if (closed) {
        // start -> order[n-1] -> ... -> order[1] -> start
        links_[start].next = order[n - 1];
        for (size_t i = n - 1; i >= 1; --i)
            links_[order[i]].next = order[i - 1];
    } else {
        for (size_t i = n - 1; i >= 1; --i)
            links_[order[i]].next = order[i - 1];
        links_[start].next = -1;
        loops_[loop] = order[n - 1];
    }
    return true;
}

std::vector<int> PolyShape2::classifyLoops(bool orient) {
    struct Box {
        double xMin, xMax, yMin, yMax;
    };
    int n = loopCount();
    std::vector<Box> boxes(n);
    for (int i = 0; i < n; ++i) {
        const Point& p = points_[links_[loops_[i]].point];
        Box box{p.x, p.x, p.y, p.y};
        walk(i, static_cast<int>(links_.size()), [&](const Point&, const Point& b) {
            box.xMin = std::min(box.xMin, b.x);
            box.xMax = std::max(box.xMax, b.x);
            box.yMin = std::min(box.yMin, b.y);
            box.yMax = std::max(box.yMax, b.y);
        });
        boxes[i] = box;
    }
    auto area = [&](int i) {
        const Box& b = boxes[i];
        return (b.xMax - b.xMin) * (b.yMax - b.yMin);
    };
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area(a) < area(b); });

    std::vector<int> depth(n, 0);
    for (int k = 0; k < n; ++k) {
        int inner = order[k];
        const Box& in = boxes[inner];
        const Point& first =
            points_[links_[loops_[inner]].point];
        int d = 0;
        for (int m = k + 1; m < n; ++m) {
            int outer = order[m];
            const Box& out = boxes[outer];
            if (out.xMin <= in.xMin && out.xMax >= in.xMax && out.yMin <= in.yMin && out.yMax >= in.yMax &&
                loopContainsPoint(outer, first.x, first.y))
                ++d;
        }
        depth[inner] = d;
    }
    if (orient) {
        for (int i = 0; i < n; ++i) {
            bool wantClockwise = depth[i] % 2 != 0;
            if (loopIsClockwise(i) != wantClockwise) reverseLoop(i);
        }
    }
    return depth;
}

}  // namespace fw
