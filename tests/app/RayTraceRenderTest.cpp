// The ray tracer through the real executable: the renderer option and the project's render method choose it; its frame
// agrees with the OpenGL one where both must (the brightness of a lit title, where a shadow falls, the factory looks);
// the pictures only traced rays can make (mirror, glass, soft shadow); a traced still or sequence stopped.
#include <pty.h>

#include <cerrno>
#include <regex>

#include "AppHelpers.h"
#include "MovieProbe.h"

using testing::HasSubstr;
using testing::Not;

namespace {

// The example title with some of its settings lines replaced by `lines` ("keyword value" each).
std::string titleWith(const std::string& lines) {
    std::string text = test::slurp(std::string(FW_SOURCE_DIR) + "/examples/title.kxp");
    for (const std::string& line : fw::test::linesOf(lines.empty() ? lines : lines + "\n")) {
        const std::string keyword = line.substr(0, line.find(' '));
        text = std::regex_replace(text, std::regex("(^|\n)( *)" + keyword + " [^\n]*"), "$1$2" + line,
                                  std::regex_constants::format_first_only);
    }
    return text;
}

// The example project with some lines changed, rendered (by the ray tracer unless the arguments say otherwise).
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

const std::string kLight = "   type POINT\n";

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

const std::string kSoftShadow = FW_SOURCE_DIR "/examples/soft-shadow.kxp";

// The program on a terminal of its own, as at a shell: a traced frame then shows its rows as it goes, which tells a
// test the tracing has begun and how it counts.
struct OnTerminal {
    explicit OnTerminal(const std::string& arguments) {
        pid = forkpty(&fd, nullptr, nullptr, nullptr);
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", ("exec " FW_EXECUTABLE " " + arguments).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~OnTerminal() {
        if (fd >= 0) close(fd);
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
    // Reads what the program prints until `text` shows; false when it ended first.
    bool waitFor(const std::string& text) {
        while (seen.find(text) == std::string::npos) {
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            seen.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }
    // Sends the signal and waits for the program to end; its raw wait status.
    int stop(int signal) {
        kill(pid, signal);
        waitFor(std::string(1, '\0'));  // reads to the end
        int raw = 0;
        waitpid(pid, &raw, 0);
        pid = -1;
        return raw;
    }
    pid_t pid = -1;
    int fd = -1;
    std::string seen;
};

bool isBackground(const int* p) { return p[0] == 13 && p[1] == 15 && p[2] == 23; }  // 0.05 0.06 0.09

}  // namespace

// The renderer option wins over the project's render method; the program's own renderer is not built, so the ray tracer
// stands in and says so. Settings the tracer cannot honour are refused or brought into range and reported. The title
// on its slate ground, lit by its lights, is as bright traced as in OpenGL where both frames are fully covered (that
// both project alike is ShadowPlacement's test: their shadows fall in the same place).
TEST(RayTraceRender, TheRendererIsChosenLightsATitleAsBrightlyAsOpenGLAndReportsWhatItCannotHonour) {
    fw::test::TempDir dir;
    const std::string traced = "  Number of rays traced = ", tracer = " --renderer raytrace --size 32x18";
    const std::string small = " --size 64x36";
    const struct {
        std::string name, settings, arguments;  // settings: "keyword value" lines
        std::vector<std::string> says, never = {};
        bool drawn = true;
    } cases[] = {
        {"method", "RenderMethod \"2\"\nAntiAliasLevel \"0\"", small, {traced}},
        {"option", "RenderMethod \"2\"", " --renderer gl" + small, {}, {"Number of rays traced"}},
        {"own", "RenderMethod \"1\"\nAntiAliasLevel \"0\"", small, {"the Orvostat Renderer is not built yet", traced}},
        {"vulkan", "", " --renderer vulkan", {}, {}, false},
        {"nine", "AntiAliasLevel \"9\"", tracer, {"anti-alias level 9 is outside 0 to 5", traced}},
        {"rays", "RayTraceShadows \"1\"\nNumShadowRays \"-3\"", tracer, {"-3 shadow rays cannot be traced; 1 is used"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::spill(dir.file(c.name + ".kxp"), titleWith(c.settings));
        auto r = fw::test::formwright(
            dir, "render " + dir.file(c.name + ".kxp") + c.arguments + " -o " + dir.file(c.name + ".png"));
        EXPECT_EQ(r.status == 0, c.drawn) << r.err;
        EXPECT_EQ(std::filesystem::exists(dir.file(c.name + ".png")), c.drawn);
        for (const std::string& said : c.says) EXPECT_THAT(r.err, HasSubstr(said));
        for (const std::string& unsaid : c.never) EXPECT_THAT(r.err, Not(HasSubstr(unsaid)));
    }
    const std::string text = titleWith("UseAlphaMask \"1\"");
    const test::Pixels a = fw::test::rendered(dir, "gl", text, "--renderer gl --size 480x270", nullptr, true);
    const test::Pixels b = fw::test::rendered(dir, "rt", text, "--renderer raytrace --size 480x270", nullptr, true);
    ASSERT_EQ(std::tuple(a.width, a.height, b.width, b.height), std::tuple(480, 270, 480, 270));
    long both = 0;
    double brightGL = 0, brightRT = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int *p = a.at(x, y), *q = b.at(x, y);
            if (p[3] != 255 || q[3] != 255) continue;
            ++both;
            brightGL += (p[0] + p[1] + p[2]) / 3.0;
            brightRT += (q[0] + q[1] + q[2]) / 3.0;
        }
    ASSERT_GT(both, 480 * 270 * 0.3);
    EXPECT_NEAR(brightRT / brightGL, 1.0, 0.05);
}

// Stopped by Ctrl-C while tracing, a still keeps the rows done and shows the background in the rest; the status is the
// signal's (SIGTERM is the stopped sequence's). The example's ground fills the frame, so every traced row holds more
// than background.
TEST(RayTraceRender, AStoppedStillKeepsItsTracedRowsAndAStoppedSequenceDropsTheFrameInHand) {
    fw::test::TempDir dir;
    const std::string out = dir.file("stopped.png");
    OnTerminal program("render " + kSoftShadow + " --size 3200x1800 -o " + out);
    ASSERT_GT(program.pid, 0);
    ASSERT_TRUE(program.waitFor(" rows, ")) << program.seen;
    const int raw = program.stop(SIGINT);
    const std::string& seen = program.seen;
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    EXPECT_EQ(WEXITSTATUS(raw), 128 + SIGINT) << seen;
    const std::string said = "formwright: " + out + ": stopped by SIGINT after ";
    const size_t at = seen.find(said);
    ASSERT_NE(at, std::string::npos) << seen;
    EXPECT_NE(seen.find(" of 1800 rows; the rest is background", at), std::string::npos) << seen;
    EXPECT_THAT(seen, Not(HasSubstr("Number of rays traced")));
    // Progress counts the picture's rows, not its finer sample grid's.
    for (size_t row = seen.find(" rows, "); row != std::string::npos; row = seen.find(" rows, ", row + 1))
        EXPECT_EQ(seen.substr(seen.rfind(" of ", row), row - seen.rfind(" of ", row)), " of 1800");
    test::Pixels image = test::readImage(out, true);
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(3200, 1800));
    // Rows are traced from the top (the file's last row); the bottom one was never reached (which rows an aborted frame
    // keeps is RayTracer.EachLevelTracesItsRaysSupersamplesWhereCornersDisagreeAndAnAbortKeepsFinishedRows').
    EXPECT_FALSE(isBackground(image.at(1600, 1799)));
    EXPECT_TRUE(isBackground(image.at(1600, 0)));
    // Stopped in the middle of a traced frame, a movie drops that frame at once rather than finishing it, and is
    // finished with the frames done so that it plays.
    const std::string movie = dir.file("stopped.mov");
    fw::test::Background tracing("render " + kSoftShadow + " --frames 0-2 --size 960x540 -o " + movie, dir.file("err"));
    ASSERT_TRUE(tracing.started());
    // The first frame is written; the second is being traced.
    tracing.waitFor("Rendering 1 of 3", 600);
    const int ended = tracing.stop(SIGTERM);
    const std::string text = tracing.said();
    ASSERT_TRUE(WIFEXITED(ended)) << "ended by signal " << (WIFSIGNALED(ended) ? WTERMSIG(ended) : 0);
    EXPECT_EQ(WEXITSTATUS(ended), 128 + SIGTERM) << text;
    EXPECT_THAT(text, HasSubstr(": stopped by SIGTERM after 1 of 3 frames"));
    EXPECT_THAT(text, Not(HasSubstr("Rendering 2 of 3")));
    EXPECT_EQ(fw::test::MovieProbe(movie)["nb_read_frames"], "1");
}

TEST(RayTracedPictures, MirrorGlassAndSoftShadowShowWhatOnlyRaysCanAndFewRaysGiveGrainNotBands) {
    fw::test::TempDir dir;
    // The chrome O (the left third of the frame) shows the red R beside it; without traced reflection it has no red.
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
    // Along a row through the glass O's ring, the stripe edges behind it move when the glass bends light (index 1.5)
    // against glass that does not (index 1).
    const test::Pixels bent = traced(dir, "glass-letter.kxp", {});
    const test::Pixels straight = traced(dir, "glass-letter.kxp", {{"refraction 1.5", "refraction 1"}});
    // Where the brightness crosses 110 along row 95, which meets the ring about 165 to 315 and the hole at 215 to 262.
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
    // A column across the shadow of the T's bar: pixels between 10% and 90% of the shadow's depth (against the floor
    // lit without the shadow) make the penumbra.
    const test::Pixels lit = traced(dir, "soft-shadow.kxp", {{"   shadow 1", "   shadow 0"}});
    auto penumbra = [&](const test::Pixels& p) {
        std::vector<double> depth;
        for (int y = 120; y < 260; ++y) depth.push_back(at(lit, 400, y) - at(p, 400, y));
        const double most = *std::max_element(depth.begin(), depth.end());
        return std::count_if(depth.begin(), depth.end(), [&](double d) { return d > 0.1 * most && d < 0.9 * most; });
    };
    const long narrow = penumbra(traced(dir, "soft-shadow.kxp", {}));
    const long wide = penumbra(traced(dir, "soft-shadow.kxp", {{"shadow-softness 3", "shadow-softness 12"}}));
    EXPECT_GE(narrow, 1);
    EXPECT_GT(wide, narrow * 2);
    // Four soft-shadow rays and sixteen occlusion rays against 256 of each, on the soft-shadow example's floor, both
    // pictures blurred over 5 x 5 pixels: fixed sample sets drew the shadow four times over and the occlusion as bands,
    // which no blur takes away; sets turned and sized from point to point leave grain that it does.
    auto render = [&](std::vector<std::pair<std::string, std::string>> edits) {
        edits.push_back({"AntiAliasLevel \"2\"", "AntiAliasLevel \"0\""});
        return traced(dir, "soft-shadow.kxp", edits, "");
    };
    // Mean difference of the two pictures' 5 x 5 averages over a window (x0..x1, y0..y1 down from the top).
    auto blurredDifference = [](const test::Pixels& a, const test::Pixels& b, int x0, int x1, int y0, int y1) {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                double d = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) d += at(a, x + dx, y + dy) - at(b, x + dx, y + dy);
                sum += std::fabs(d) / 25;
            }
        return sum / ((x1 - x0) * (y1 - y0));
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

// Each factory material on a title, drawn by OpenGL and by the ray tracer: the mean brightness over the letters agrees
// within a factor of 1.5 (metals whose mirrored rays saw only the black background, and glass lit at every crossing,
// did not).
TEST(RayTracedPictures, EveryFactoryMaterialLooksAsBrightTracedAsInOpenGL) {
    fw::test::TempDir dir;
    auto run = [&](const std::string& arguments) { return fw::test::ran(dir, arguments); };
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
    const std::vector<std::string> names = fw::test::linesOf(run("library list materials").out);
    EXPECT_GE(names.size(), 20u);
    for (const std::string& name : names) {
        const double gl = brightness(picture(name, "gl")), traced = brightness(picture(name, "raytrace"));
        EXPECT_LT(std::max(gl, traced), 1.5 * std::max(1.0, std::min(gl, traced))) << name;
    }
    // The Cartoon look's black lines along silhouettes, borders and creases: about as much ink over the letters traced
    // as in OpenGL (whose lines are smoothed, so a pixel counts as inked well short of black; the bands stay above).
    auto ink = [&](const test::Pixels& p) {
        return std::count_if(letters.begin(), letters.end(),
                             [&](size_t i) { return p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2] < 3 * 90; });
    };
    const long glInk = ink(picture("Cartoon Yellow", "gl")), tracedInk = ink(picture("Cartoon Yellow", "raytrace"));
    EXPECT_GT(glInk, 200);
    EXPECT_LT(std::max(glInk, tracedInk), 1.5 * std::min(glInk, tracedInk));
}

TEST(ShadowPlacement, TheOpenGLShadowFallsWhereTheTracedOneDoes) {
    fw::test::TempDir dir;
    // The point light, and the same light made a spot and a sun looking from where it stands at the letter's foot.
    const std::string aimed = kLight + "   mode LOOKAT\n   eye -120 160 60\n   target 0 -26 0\n";
    const std::pair<std::string, std::string> lights[] = {{"point", kLight},
                                                          {"spot", aimed + "   type SPOT\n   angles 30 40\n"},
                                                          {"directional", aimed + "   type DIRECTIONAL\n"}};
    for (const auto& [name, light] : lights) {
        SCOPED_TRACE(name);
        auto render = [&](bool shadows, const std::string& renderer) {
            std::vector<std::pair<std::string, std::string>> edits = {{kLight, light}};
            if (!shadows) edits.push_back({" RenderShadows \"1\"", " RenderShadows \"0\""});
            return traced(dir, "soft-shadow.kxp", edits, "--renderer " + renderer);
        };
        const Region traced = shadowOf(render(true, "raytrace"), render(false, "raytrace"));
        const Region drawn = shadowOf(render(true, "gl"), render(false, "gl"));
        ASSERT_GT(traced.area, 2000) << "the traced picture has no shadow to compare with";
        EXPECT_NEAR(drawn.x, traced.x, 0.03);
        EXPECT_NEAR(drawn.y, traced.y, 0.03);
        EXPECT_THAT(drawn.area, testing::AllOf(testing::Lt(traced.area * 3 / 2), testing::Gt(traced.area * 2 / 3)));
        EXPECT_GT(overlap(traced, drawn), 0.85);
    }
}
