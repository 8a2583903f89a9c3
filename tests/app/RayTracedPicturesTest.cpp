// The example pictures that only traced rays can make, rendered by the real program
// and measured: a mirror letter takes its red neighbour's hue, a glass letter shifts
// the stripes behind it, and a larger light widens the penumbra of a soft shadow; and
// every factory look keeps its character when a title switches renderer.

#include <algorithm>
#include <cmath>

#include "AppRun.h"

using testing::HasSubstr;
using testing::Not;

namespace {

// The example project with some lines changed, rendered (by the ray tracer unless the
// arguments say otherwise).
test::Pixels traced(const fw::test::TempDir& dir, const std::string& example,
                    const std::vector<std::pair<std::string, std::string>>& edits,
                    const std::string& arguments = "--renderer raytrace") {
    std::string err;
    test::Pixels p =
        fw::test::rendered(dir, "p", fw::test::edited(test::slurp(fw::test::example(example)), edits), arguments, &err);
    EXPECT_THAT(err, Not(HasSubstr("not ray traced yet")));
    return p;
}

// Brightness at x and y, y down from the top.
double at(const test::Pixels& p, int x, int y) {
    const int* c = p.at(x, p.height - 1 - y);
    return (c[0] + c[1] + c[2]) / 3.0;
}

bool reddish(const int* c) { return c[0] > 50 && c[0] > 2 * c[1] && c[0] > 2 * c[2]; }

}  // namespace

TEST(RayTracedPictures, MirrorGlassAndSoftShadowShowWhatOnlyRaysCan) {
    fw::test::TempDir dir;

    // The chrome O (the left third of the frame) shows the red R beside it; without
    // traced reflection it has no red at all.
    const test::Pixels mirror = traced(dir, "mirror-letter.kxp", {});
    const test::Pixels plain = traced(dir, "mirror-letter.kxp", {{"raytraceAmount 0.85", "raytraceAmount 0"}});
    ASSERT_EQ(mirror.width, 480);
    int redMirror = 0, redPlain = 0;
    for (int y = 0; y < mirror.height; ++y)
        for (int x = 0; x < 180; ++x) {
            redMirror += reddish(mirror.at(x, y));
            redPlain += reddish(plain.at(x, y));
        }
    EXPECT_EQ(redPlain, 0);
    EXPECT_GT(redMirror, 300);

    // Along a row through the glass O's ring, the stripe edges behind it move when
    // the glass bends light (index 1.5) against glass that does not (index 1).
    const test::Pixels bent = traced(dir, "glass-letter.kxp", {});
    const test::Pixels straight = traced(dir, "glass-letter.kxp", {{"refraction 1.5", "refraction 1"}});
    // Where the brightness crosses 110 along row 95, which meets the ring about 165 to
    // 315 and the open hole between 215 and 262.
    auto edges = [](const test::Pixels& p, int from, int to) {
        std::vector<int> found;
        for (int x = from; x < to; ++x)
            if ((at(p, x, 95) - 110) * (at(p, x + 1, 95) - 110) < 0) found.push_back(x);
        return found;
    };
    const std::vector<int> unbent = edges(straight, 160, 320);
    ASSERT_GE(unbent.size(), 4u);
    int displaced = 0;
    for (int e : edges(bent, 160, 320)) {
        int nearest = 1000;
        for (int f : unbent) nearest = std::min(nearest, std::abs(e - f));
        displaced += (e < 210 || e > 268) && nearest > 2;
    }
    EXPECT_GE(displaced, 4);
    // Through the hole and beside the letter the stripes stay where they are.
    EXPECT_EQ(edges(bent, 212, 266), edges(straight, 212, 266));
    EXPECT_EQ(edges(bent, 0, 150), edges(straight, 0, 150));

    // A column across the shadow of the T's bar: pixels between 10% and 90% of the
    // shadow's depth (against the floor lit without the shadow) make the penumbra.
    const test::Pixels lit = traced(dir, "soft-shadow.kxp", {{"   shadow 1", "   shadow 0"}});
    auto penumbra = [&](const test::Pixels& p) {
        std::vector<double> depth;
        for (int y = 120; y < 260; ++y) depth.push_back(at(lit, 400, y) - at(p, 400, y));
        const double deepest = *std::max_element(depth.begin(), depth.end());
        return std::count_if(depth.begin(), depth.end(),
                             [&](double d) { return d > 0.1 * deepest && d < 0.9 * deepest; });
    };
    const long narrow = penumbra(traced(dir, "soft-shadow.kxp", {}));
    const long wide = penumbra(traced(dir, "soft-shadow.kxp", {{"shadow-softness 3", "shadow-softness 12"}}));
    EXPECT_GE(narrow, 1);
    EXPECT_GT(wide, narrow * 2);
}

// Each factory material on a title, drawn by OpenGL and by the ray tracer: the mean
// brightness over the letters agrees within a factor of 1.5 (metals whose mirrored
// rays saw only the black background, and glass lit again at every crossing, did not).
TEST(RayTracedPictures, EveryFactoryMaterialLooksAsBrightTracedAsInOpenGL) {
    fw::test::TempDir dir;
    auto run = [&](const std::string& arguments) {
        auto r = fw::test::formwright(dir, arguments);
        EXPECT_EQ(r.status, 0) << arguments << "\n" << r.err;
        return r;
    };
    auto picture = [&](const std::string& material, const std::string& renderer) {
        run("--yes text Hi --material \"" + material + "\" -o " + dir.file("t.kxp"));
        run("render " + dir.file("t.kxp") + " --size 240x180 --renderer " + renderer + " -o " + dir.file("t.png"));
        return test::readImage(dir.file("t.png"));
    };
    // The letters: where a plain matte title shows on the black background.
    const test::Pixels plain = picture("Matte Orange Plastic", "gl");
    ASSERT_EQ(plain.width, 240);
    std::vector<size_t> letters;
    for (size_t i = 0; i < plain.rgb.size(); i += 3)
        if (plain.rgb[i] + plain.rgb[i + 1] + plain.rgb[i + 2] > 30) letters.push_back(i);
    ASSERT_GT(letters.size(), 2000u);
    auto brightness = [&](const test::Pixels& p) {
        double sum = 0;
        for (size_t i : letters) sum += (p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2]) / 3.0;
        return sum / static_cast<double>(letters.size());
    };
    std::string names = run("library list materials").out;
    int materials = 0;
    for (size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string name = names.substr(start, end - start);
        if (name.empty()) continue;
        ++materials;
        const double gl = brightness(picture(name, "gl")), traced = brightness(picture(name, "raytrace"));
        EXPECT_LT(std::max(gl, traced), 1.5 * std::max(1.0, std::min(gl, traced))) << name;
    }
    EXPECT_GE(materials, 20);

    // The Cartoon look's black lines along silhouettes, borders and creases: about as
    // much ink over the letters traced as in OpenGL (where lines are smoothed, so a
    // pixel counts as inked well short of black; the look's own bands stay above).
    auto ink = [&](const test::Pixels& p) {
        int dark = 0;
        for (size_t i : letters) dark += p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2] < 3 * 90;
        return dark;
    };
    const int glInk = ink(picture("Cartoon Yellow", "gl")), tracedInk = ink(picture("Cartoon Yellow", "raytrace"));
    EXPECT_GT(glInk, 200);
    EXPECT_LT(std::max(glInk, tracedInk), 1.5 * std::min(glInk, tracedInk));
}

// Four soft-shadow rays and sixteen occlusion rays against 256 of each, on the
// soft-shadow example's floor, both pictures blurred over 5 x 5 pixels: fixed sample
// sets drew the shadow four times over and the occlusion as bands, which no blur
// takes away; sets turned and sized from point to point leave grain that it does.
TEST(RayTracedPictures, FewSoftShadowAndOcclusionRaysGiveGrainNotBands) {
    fw::test::TempDir dir;
    auto render = [&](std::vector<std::pair<std::string, std::string>> edits) {
        edits.push_back({"AntiAliasLevel \"2\"", "AntiAliasLevel \"0\""});
        return traced(dir, "soft-shadow.kxp", edits, "");
    };
    // Mean difference of the two pictures' 5 x 5 averages over a window (x0..x1, y0..y1
    // down from the top).
    auto blurredDifference = [](const test::Pixels& a, const test::Pixels& b, int x0, int x1, int y0, int y1) {
        double sum = 0;
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                double d = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) d += at(a, x + dx, y + dy) - at(b, x + dx, y + dy);
                sum += std::fabs(d) / 25;
                ++count;
            }
        return sum / count;
    };
    const test::Pixels four = render({{"NumShadowRays \"64\"", "NumShadowRays \"4\""}});
    const test::Pixels many = render({{"NumShadowRays \"64\"", "NumShadowRays \"256\""}});
    ASSERT_EQ(four.width, 480);
    const double shadow = blurredDifference(four, many, 262, 458, 132, 208);
    const std::vector<std::pair<std::string, std::string>> occlusion = {
        {"RenderShadows \"1\"", "RenderShadows \"0\""},
        {"AmbientOcclusion \"0\"", "AmbientOcclusion \"3\""},
        {"AmbientDistance 1\n", "AmbientDistance 60\n"}};
    auto more = occlusion;
    more.push_back({"NumAmbientRays \"16\"", "NumAmbientRays \"256\""});
    const double ambient = blurredDifference(render(occlusion), render(more), 122, 378, 192, 258);
    EXPECT_LT(shadow, 0.45);
    EXPECT_LT(ambient, 0.5);
}
