// Where the OpenGL shadow of the soft-shadow example falls, against the ray tracer's:
// each renderer's shadow is the floor it darkens against its own picture without
// shadows, and the two regions must sit in the same place with the same size. The
// example's point light is also tried as a spot and as a sun along the same line.

#include <algorithm>

#include "AppRun.h"

namespace {

const std::string kLight = "   type POINT\n";

// The example with its light changed by `light` and shadows on or off, rendered.
test::Pixels render(const fw::test::TempDir& dir, const std::string& light, bool shadows, const std::string& renderer) {
    std::string text = fw::test::edited(test::slurp(fw::test::example("soft-shadow.kxp")), {{kLight, light}});
    if (!shadows) text = fw::test::edited(text, {{" RenderShadows \"1\"", " RenderShadows \"0\""}});
    return fw::test::rendered(dir, "p", text, "--renderer " + renderer);
}

struct Region {
    std::vector<char> in;
    long area = 0;
    double x = 0, y = 0;  // centroid in fractions of the width and height
};

// Pixels the shadow darkens by a fifth or more of their unshadowed brightness.
Region shadowOf(const test::Pixels& on, const test::Pixels& off) {
    Region r;
    if (on.width != off.width || on.height != off.height || on.rgb.empty()) return r;
    r.in.assign(static_cast<size_t>(on.width) * on.height, 0);
    for (int y = 0; y < on.height; ++y)
        for (int x = 0; x < on.width; ++x) {
            const int *a = on.at(x, y), *b = off.at(x, y);
            const double lit = (b[0] + b[1] + b[2]) / 3.0, seen = (a[0] + a[1] + a[2]) / 3.0;
            if (lit - seen > std::max(8.0, 0.2 * lit)) {
                r.in[static_cast<size_t>(y) * on.width + x] = 1;
                ++r.area;
                r.x += x, r.y += y;
            }
        }
    if (r.area) r.x /= static_cast<double>(r.area) * on.width, r.y /= static_cast<double>(r.area) * on.height;
    return r;
}

double overlap(const Region& a, const Region& b) {
    long both = 0, either = 0;
    for (size_t i = 0; i < a.in.size() && i < b.in.size(); ++i) {
        both += a.in[i] && b.in[i];
        either += a.in[i] || b.in[i];
    }
    return either ? static_cast<double>(both) / static_cast<double>(either) : 0;
}

void expectSameShadow(const std::string& name, const std::string& light) {
    SCOPED_TRACE(name);
    fw::test::TempDir dir;
    const Region traced = shadowOf(render(dir, light, true, "raytrace"), render(dir, light, false, "raytrace"));
    const Region drawn = shadowOf(render(dir, light, true, "gl"), render(dir, light, false, "gl"));
    const double iou = overlap(traced, drawn);
    ASSERT_GT(traced.area, 2000) << "the traced picture has no shadow to compare with";
    EXPECT_NEAR(drawn.x, traced.x, 0.03);
    EXPECT_NEAR(drawn.y, traced.y, 0.03);
    EXPECT_LT(drawn.area, traced.area * 3 / 2);
    EXPECT_GT(drawn.area, traced.area * 2 / 3);
    EXPECT_GT(iou, 0.85);
}

}  // namespace

TEST(ShadowPlacement, TheOpenGLShadowFallsWhereTheTracedOneDoes) {
    expectSameShadow("point", kLight);
    // The same light turned into a spot and a sun looking from where it stands at the
    // letter's foot.
    const std::string aimed = "   mode LOOKAT\n   eye -120 160 60\n   target 0 -26 0\n";
    expectSameShadow("spot", kLight + aimed + "   type SPOT\n   angles 30 40\n");
    expectSameShadow("directional", kLight + aimed + "   type DIRECTIONAL\n");
}
