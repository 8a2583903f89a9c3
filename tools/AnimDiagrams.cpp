// Draws the animation notes' pictures from the motion code itself: element paths with
// bow and overshoot, the distribution shapes, the ease curve and the smoothing rule.
// Usage: anim_diagrams OUTPUT_FOLDER (writes paths.svg, shapes.svg, ease.svg, smoothing.svg)
#include <cstdio>
#include <glm/geometric.hpp>
#include <string>
#include <vector>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/EaseCurve.h"
#include "anim/ElementMotion.h"
#include "anim/PoseLayout.h"
#include "scene/SceneX.h"

using namespace fw;

namespace {

struct Svg {
    std::string body;
    double w, h;
    void text(double x, double y, const std::string& s, int size = 12) {
        char b[512];
        std::snprintf(b, sizeof b, "<text x='%.1f' y='%.1f' font-family='sans-serif' font-size='%d'>%s</text>\n", x, y, size, s.c_str());
        body += b;
    }
    void dot(double x, double y, double r, const char* fill) {
        char b[256];
        std::snprintf(b, sizeof b, "<circle cx='%.2f' cy='%.2f' r='%.1f' fill='%s'/>\n", x, y, r, fill);
        body += b;
    }
    void line(const std::vector<glm::dvec2>& pts, const char* stroke, double width = 1.5, const char* dash = "") {
        body += "<polyline fill='none' stroke='" + std::string(stroke) + "' stroke-width='" + std::to_string(width) +
                "'" + (dash[0] ? " stroke-dasharray='" + std::string(dash) + "'" : "") + " points='";
        char b[64];
        for (const auto& p : pts) {
            std::snprintf(b, sizeof b, "%.2f,%.2f ", p.x, p.y);
            body += b;
        }
        body += "'/>\n";
    }
    bool save(const std::string& path) const {
        FILE* f = std::fopen(path.c_str(), "w");
        if (!f) return false;
        std::fprintf(f, "<svg xmlns='http://www.w3.org/2000/svg' width='%.0f' height='%.0f' viewBox='0 0 %.0f %.0f'>\n", w, h, w, h);
        std::fprintf(f, "<rect width='100%%' height='100%%' fill='white'/>\n%s</svg>\n", body.c_str());
        return std::fclose(f) == 0;
    }
};

std::vector<AnimElement> row(int count, double spacing) {
    std::vector<AnimElement> out(count);
    for (int i = 0; i < count; ++i) {
        const double c[3] = {i * spacing, 0, 0};
        for (int a = 0; a < 3; ++a) {
            out[i].center[a] = c[a];
            out[i].bounds[a] = c[a] - (a == 0 ? 20 : a == 1 ? 36 : 8);
            out[i].bounds[a + 3] = c[a] + (a == 0 ? 20 : a == 1 ? 36 : 8);
        }
        out[i].creationIndex = i;
    }
    return out;
}

glm::dvec3 placeAt(const ElementFrame& f, const AnimElement& e) {
    return glm::dvec3(f.matrix * glm::dvec4(e.center[0], e.center[1], e.center[2], 1.0));
}

const char* kColours[] = {"#c0392b", "#2980b9", "#27ae60", "#8e44ad", "#d35400", "#16a085"};

// Front view of each element's path through a track, sampled every tenth of a frame.
void drawPaths(Svg& svg, AnimTrack& track, const std::vector<AnimElement>& el, double from, double to,
               double ox, double oy, double scale) {
    std::vector<std::vector<glm::dvec2>> lines(el.size());
    for (double t = from; t <= to; t += 0.1) {
        const auto frames = evaluateTrack(track, t, el);
        for (size_t i = 0; i < el.size(); ++i) {
            const glm::dvec3 p = placeAt(frames[i], el[i]);
            lines[i].push_back({ox + p.x * scale, oy - p.y * scale});
        }
    }
    for (size_t i = 0; i < el.size(); ++i) {
        svg.line(lines[i], kColours[i % 6]);
        svg.dot(lines[i].front().x, lines[i].front().y, 4, "#555");
        svg.dot(lines[i].back().x, lines[i].back().y, 4, kColours[i % 6]);
    }
}

bool paths(const std::string& dir) {
    Svg svg{"", 760, 400};
    const auto el = row(5, 60);
    SceneX scene;
    AnimTrack track(scene, "paths");
    auto a = std::make_unique<AnimPose>(scene);
    a->length = 10;
    auto tr = std::make_unique<AnimTransition>(scene);
    tr->startFrame = 10;
    tr->length = 40;
    tr->sequence.overlap = 40;
    tr->smoothing.startSmooth = tr->smoothing.endSmooth = 0;
    tr->path.bowAmount = 10;
    tr->path.bowAmount2 = 40;
    tr->path.bowAmountStyle = AnimPath::kEven;
    tr->path.endOvershoot = 20;
    auto b = std::make_unique<AnimPose>(scene);
    b->startFrame = 50;
    b->length = 10;
    b->settings.moveDistance = 360;
    b->settings.moveDirectionVector[0] = 1;
    b->settings.moveDirectionVector[2] = 0;
    track.segments.push_back(std::move(a));
    track.segments.push_back(std::move(tr));
    track.segments.push_back(std::move(b));
    drawPaths(svg, track, el, 9, 50.99, 40, 300, 1.0);
    svg.text(20, 24, "Front view: five letters move 360 units right; bow 10..40% (style even), end overshoot 20%", 13);
    svg.text(20, 380, "grey: leaving pose, coloured: arriving pose; each line passes its target and settles back", 12);
    return svg.save(dir + "/paths.svg");
}

bool shapes(const std::string& dir) {
    const int cols = 6, cell = 150;
    Svg svg{"", double(cols * cell), double(4 * cell + 10)};
    std::vector<AnimElement> el = row(12, 45);
    // Two lines of six letters, so the cylinder shows the kept line heights.
    for (int i = 6; i < 12; ++i) {
        el[i].center[0] -= 6 * 45, el[i].center[1] = -90;
        el[i].bounds[0] -= 270, el[i].bounds[3] -= 270, el[i].bounds[1] = -126, el[i].bounds[4] = -54;
    }
    const PoseLayout layout(el);
    for (int shape = 0; shape < AnimPoseSettings::kShapeNone; ++shape) {
        AnimPoseSettings s;
        s.distributeType = shape;
        s.distributeSeed = 3;
        s.distributeParam2 = 0;
        s.distributeParam2b = 360;
        const auto states = layout.arrange(s);
        const double cx = (shape % cols) * cell + cell / 2.0, cy = (shape / cols) * cell + cell / 2.0;
        const double k = 0.28;
        // Oblique view: depth drawn up and to the right.
        std::vector<glm::dvec2> axes = {{cx - 60, cy + 50}, {cx + 60, cy + 50}};
        svg.line(axes, "#ddd", 1);
        for (size_t i = 0; i < el.size(); ++i) {
            glm::dvec3 p = glm::dvec3(el[i].center[0], el[i].center[1], el[i].center[2]) +
                           glm::dvec3(states[i].translate[0], states[i].translate[1], states[i].translate[2]) - layout.center();
            svg.dot(cx + k * (p.x - 0.45 * p.z), cy - k * (p.y - 0.3 * p.z), 3.5, kColours[i * 6 / el.size()]);
        }
        svg.text(cx - cell / 2.0 + 6, cy - cell / 2.0 + 14, AnimPoseSettings::shapeName(shape), 11);
    }
    return svg.save(dir + "/shapes.svg");
}

bool ease(const std::string& dir) {
    Svg svg{"", 520, 300};
    struct S {
        double start, end, amount;
    } settings[] = {{0, 0, 50}, {30, 30, 50}, {50, 50, 100}, {30, 30, 0}, {60, 10, 50}};
    svg.line({{40, 260}, {260, 260}, {260, 40}, {40, 40}, {40, 260}}, "#bbb", 1);
    int row = 0;
    for (const S& s : settings) {
        EaseCurve c;
        c.build(s.start, s.end, s.amount);
        std::vector<glm::dvec2> pts;
        for (int i = 0; i <= 200; ++i) pts.push_back({40 + 220 * i / 200.0, 260 - 220 * c.value(i / 200.0)});
        svg.line(pts, kColours[row], 2);
        char label[96];
        std::snprintf(label, sizeof label, "start %g%%, end %g%%, amount %g", s.start, s.end, s.amount);
        svg.text(290, 70 + 24 * row, label);
        svg.dot(280, 66 + 24 * row, 4, kColours[row]);
        ++row;
    }
    svg.text(40, 285, "element progress u (across) to eased progress (up)");
    return svg.save(dir + "/ease.svg");
}

bool smoothing(const std::string& dir) {
    Svg svg{"", 640, 330};
    const auto el = row(1, 0);
    int panel = 0;
    for (double smooth : {0.0, 50.0, 100.0}) {
        SceneX scene;
        AnimTrack track(scene, "smoothing");
        const double moves[3][2] = {{0, 0}, {240, 0}, {240, 240}};
        for (int k = 0; k < 3; ++k) {
            if (k > 0) {
                auto tr = std::make_unique<AnimTransition>(scene);
                tr->startFrame = 40 * k - 30;
                tr->length = 30;
                tr->smoothing.startSmooth = tr->smoothing.endSmooth = smooth;
                track.segments.push_back(std::move(tr));
            }
            auto p = std::make_unique<AnimPose>(scene);
            p->startFrame = 40 * k;
            p->length = 10;
            const glm::dvec2 d(moves[k][0], moves[k][1]);
            p->settings.moveDistance = glm::length(d);
            if (p->settings.moveDistance > 0) {
                p->settings.moveDirectionVector[0] = d.x;
                p->settings.moveDirectionVector[1] = d.y;
                p->settings.moveDirectionVector[2] = 0;
            }
            track.segments.push_back(std::move(p));
        }
        drawPaths(svg, track, el, 0, 89.9, 30 + panel * 210, 290, 0.7);
        char label[64];
        std::snprintf(label, sizeof label, "smoothing %g%%", smooth);
        svg.text(30 + panel * 210, 24, label, 13);
        ++panel;
    }
    return svg.save(dir + "/smoothing.svg");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: anim_diagrams OUTPUT_FOLDER\n");
        return 1;
    }
    const std::string dir = argv[1];
    const bool ok = paths(dir) && shapes(dir) && ease(dir) && smoothing(dir);
    if (!ok) std::fprintf(stderr, "anim_diagrams: %s: cannot write the pictures\n", dir.c_str());
    return ok ? 0 : 2;
}
