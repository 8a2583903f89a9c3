// The example pictures that only traced rays can make, rendered by the real program
// and measured: a mirror letter takes its red neighbour's hue, a glass letter shifts
// the stripes behind it, and a larger light widens the penumbra of a soft shadow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "FilesAndImages.h"
#include "RunProgram.h"
#include "TempDir.h"

namespace {

// The example project with one line changed, rendered by the ray tracer.
test::Pixels traced(const fw::test::TempDir& dir, const std::string& example, const std::string& from,
                    const std::string& to) {
    std::string text = test::slurp(std::string(FW_SOURCE_DIR) + "/examples/" + example);
    if (!from.empty()) {
        EXPECT_NE(text.find(from), std::string::npos) << from;
        text = std::regex_replace(text, std::regex(from), to);
    }
    const std::string project = dir.file("p.kxp"), out = dir.file("p.png");
    test::spill(project, text);
    auto run = fw::test::runProgram(FW_EXECUTABLE, "render " + project + " --renderer raytrace -o " + out,
                                    dir.path().string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("not ray traced yet"), std::string::npos) << run.err;
    return test::readImage(out);
}

// Brightness along the row `y` down from the top.
std::vector<double> row(const test::Pixels& p, int y) {
    std::vector<double> values;
    for (int x = 0; x < p.width; ++x) {
        const int* c = p.at(x, p.height - 1 - y);
        values.push_back((c[0] + c[1] + c[2]) / 3.0);
    }
    return values;
}

bool reddish(const int* c) { return c[0] > 50 && c[0] > 2 * c[1] && c[0] > 2 * c[2]; }

}  // namespace

TEST(RayTracedPictures, MirrorGlassAndSoftShadowShowWhatOnlyRaysCan) {
    fw::test::TempDir dir;

    // The chrome O (the left third of the frame) shows the red R beside it; without
    // traced reflection it has no red at all.
    const test::Pixels mirror = traced(dir, "mirror-letter.kxp", "", "");
    const test::Pixels plain = traced(dir, "mirror-letter.kxp", "raytraceAmount 0.85", "raytraceAmount 0");
    ASSERT_EQ(mirror.width, 480);
    int redMirror = 0, redPlain = 0;
    for (int y = 0; y < mirror.height; ++y)
        for (int x = 0; x < 180; ++x) {
            redMirror += reddish(mirror.at(x, y));
            redPlain += reddish(plain.at(x, y));
        }
    std::printf("red pixels in the O: %d mirrored, %d without\n", redMirror, redPlain);
    EXPECT_EQ(redPlain, 0);
    EXPECT_GT(redMirror, 300);

    // Along a row through the glass O's ring, the stripe edges behind it move when
    // the glass bends light (index 1.5) against glass that does not (index 1).
    const test::Pixels bent = traced(dir, "glass-letter.kxp", "", "");
    const test::Pixels straight = traced(dir, "glass-letter.kxp", "refraction 1.5", "refraction 1");
    auto edges = [](const std::vector<double>& r, int from, int to) {
        std::vector<int> at;
        for (int x = from; x < to; ++x)
            if ((r[x] - 110) * (r[x + 1] - 110) < 0) at.push_back(x);
        return at;
    };
    // The ring spans about 165 to 315 on this row; the hole (215 to 262) is open air.
    const int y = 95;
    const std::vector<double> bentRow = row(bent, y), straightRow = row(straight, y);
    const std::vector<int> b = edges(straightRow, 160, 320);
    ASSERT_GE(b.size(), 4u);
    int displaced = 0;
    for (int e : edges(bentRow, 160, 320)) {
        if (e >= 210 && e <= 268) continue;
        int nearest = 1000;
        for (int f : b) nearest = std::min(nearest, std::abs(e - f));
        displaced += nearest > 2;
    }
    std::printf("stripe edges seen through the glass ring and moved by more than 2 px: %d\n", displaced);
    EXPECT_GE(displaced, 4);
    EXPECT_EQ(edges(bentRow, 212, 266), edges(straightRow, 212, 266));
    // Outside the letter the stripes stay where they are.
    EXPECT_EQ(edges(bentRow, 0, 150), edges(straightRow, 0, 150));

    // A column across the shadow of the T's bar: pixels between 10% and 90% of the
    // shadow's depth (against the floor lit without the shadow) make the penumbra.
    const test::Pixels lit = traced(dir, "soft-shadow.kxp", "   shadow 1", "   shadow 0");
    auto penumbra = [&](const test::Pixels& p) {
        int width = 0;
        double deepest = 0;
        std::vector<double> depth;
        const int column = 400;
        for (int yy = 120; yy < 260; ++yy) {
            const int* s = p.at(column, p.height - 1 - yy);
            const int* l = lit.at(column, lit.height - 1 - yy);
            const double d = ((l[0] + l[1] + l[2]) - (s[0] + s[1] + s[2])) / 3.0;
            depth.push_back(d);
            deepest = std::max(deepest, d);
        }
        for (double d : depth) width += d > 0.1 * deepest && d < 0.9 * deepest;
        return width;
    };
    const int narrow = penumbra(traced(dir, "soft-shadow.kxp", "", ""));
    const int wide = penumbra(traced(dir, "soft-shadow.kxp", "shadow-softness 3", "shadow-softness 12"));
    std::printf("penumbra: %d px at softness 3, %d px at softness 12\n", narrow, wide);
    EXPECT_GE(narrow, 1);
    EXPECT_GT(wide, narrow * 2);
}
