// The ray tracer through the real executable: the renderer option and the project's
// render method choose it, and its frame of a real title agrees with the OpenGL one
// where both must (the silhouette, the brightness of a plainly lit surface), and a
// traced still or sequence stopped by Ctrl-C or SIGTERM.
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <regex>
#include <thread>

#include "AppRun.h"
#include "MovieProbe.h"

using testing::HasSubstr;
using testing::Not;

namespace {

using Rgba = test::Pixels;
Rgba readRgba(const std::string& path) { return test::readImage(path, true); }

// The example title with some of its settings lines replaced.
std::string titleWith(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text = test::slurp(std::string(FW_SOURCE_DIR) + "/examples/title.kxp");
    for (const auto& [keyword, value] : settings)
        text = std::regex_replace(text, std::regex("(^|\n)( *)" + keyword + " [^\n]*"), "$1$2" + keyword + " " + value,
                                  std::regex_constants::format_first_only);
    return text;
}

fw::test::Outcome render(const fw::test::TempDir& dir, const std::string& project, const std::string& arguments) {
    return fw::test::formwright(dir, "render " + dir.file(project) + " " + arguments);
}

}  // namespace

// Renders the project both ways into dir/gl.png and dir/rt.png.
void renderBoth(const fw::test::TempDir& dir, const std::string& project, Rgba& gl, Rgba& rt) {
    auto a = render(dir, project, "--renderer gl --size 480x270 -o " + dir.file("gl.png"));
    ASSERT_EQ(a.status, 0) << a.err;
    auto b = render(dir, project, "--renderer raytrace --size 480x270 -o " + dir.file("rt.png"));
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_THAT(b.err, HasSubstr("  Number of rays traced = "));
    EXPECT_THAT(a.err, Not(HasSubstr("Number of rays traced")));
    gl = readRgba(dir.file("gl.png"));
    rt = readRgba(dir.file("rt.png"));
    ASSERT_EQ(gl.width, 480);
    ASSERT_EQ(rt.width, 480);
    ASSERT_EQ(rt.height, 270);
}

TEST(RayTraceRender, SilhouetteAndBrightnessAgreeWithTheOpenGLFrame) {
    fw::test::TempDir dir;
    // The letters alone against a clear background: their outline is the silhouette.
    test::spill(dir.file("letters.kxp"),
                fw::test::edited(titleWith({{"UseAlphaMask", "\"1\""}}),
                                 {{"   name \"Ground\"\n   vis 1", "   name \"Ground\"\n   vis 0"}}));
    Rgba a, b;
    ASSERT_NO_FATAL_FAILURE(renderBoth(dir, "letters.kxp", a, b));
    long agree = 0, covered = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            bool inGL = a.at(x, y)[3] >= 128, inRT = b.at(x, y)[3] >= 128;
            agree += inGL == inRT;
            covered += inGL;
        }
    const double pixels = static_cast<double>(a.width) * a.height;
    ASSERT_GT(covered, pixels * 0.05);  // the title is in the picture
    ASSERT_LT(covered, pixels * 0.5);   // and the background around it
    EXPECT_GE(agree / pixels, 0.995);

    // The whole title on its slate ground, lit by the project's lights: the mean
    // brightness where both frames are fully covered.
    test::spill(dir.file("title.kxp"), titleWith({{"UseAlphaMask", "\"1\""}}));
    ASSERT_NO_FATAL_FAILURE(renderBoth(dir, "title.kxp", a, b));
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
    ASSERT_GT(both, pixels * 0.3);
    EXPECT_NEAR(brightRT / brightGL, 1.0, 0.05);
}

TEST(RayTraceRender, TheRendererOptionAndTheRenderMethodChooseTheRenderer) {
    fw::test::TempDir dir;
    test::spill(dir.file("traced.kxp"), titleWith({{"RenderMethod", "\"2\""}, {"AntiAliasLevel", "\"0\""}}));
    auto traced = render(dir, "traced.kxp", "--size 64x36 -o " + dir.file("traced.png"));
    ASSERT_EQ(traced.status, 0) << traced.err;
    EXPECT_THAT(traced.err, HasSubstr("  Number of rays traced = "));
    // The option wins over the project.
    auto overridden = render(dir, "traced.kxp", "--renderer gl --size 64x36 -o " + dir.file("gl.png"));
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_THAT(overridden.err, Not(HasSubstr("Number of rays traced")));
    // The program's own renderer is not built: the ray tracer stands in, and says so.
    test::spill(dir.file("own.kxp"), titleWith({{"RenderMethod", "\"1\""}, {"AntiAliasLevel", "\"0\""}}));
    auto own = render(dir, "own.kxp", "--size 64x36 -o " + dir.file("own.png"));
    ASSERT_EQ(own.status, 0) << own.err;
    EXPECT_THAT(own.err, HasSubstr("the Orvostat Renderer is not built yet"));
    EXPECT_THAT(own.err, HasSubstr("Number of rays traced"));

    auto unknown = render(dir, "traced.kxp", "--renderer vulkan -o " + dir.file("x.png"));
    EXPECT_NE(unknown.status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST(RayTraceRender, SettingsItCannotHonourAreRefusedOrReported) {
    fw::test::TempDir dir;
    const struct {
        std::string name;
        std::vector<std::pair<std::string, std::string>> settings;
        bool drawn;
        const char* says;
    } cases[] = {
        // Per-vertex occlusion darkens where the letters meet the ground, as per-pixel does.
        {"vertex", {{"AmbientOcclusion", "\"2\""}, {"AmbientDistance", "40"}}, true, ""},
        // A zero distance cannot measure occlusion.
        {"zero", {{"AmbientOcclusion", "\"3\""}, {"AmbientDistance", "0"}}, false, "distance"},
        // Level 9 is brought into range and reported; the frame is drawn.
        {"nine", {{"AntiAliasLevel", "\"9\""}}, true, "anti-alias level 9 is outside 0 to 5"},
        // A negative shadow ray count under traced shadows is brought to one ray and said.
        {"rays",
         {{"RayTraceShadows", "\"1\""}, {"NumShadowRays", "\"-3\""}},
         true,
         "-3 shadow rays cannot be traced; 1 is used"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::spill(dir.file(c.name + ".kxp"), titleWith(c.settings));
        auto r = render(dir, c.name + ".kxp", "--renderer raytrace --size 32x18 -o " + dir.file(c.name + ".png"));
        EXPECT_EQ(r.status == 0, c.drawn) << r.err;
        EXPECT_EQ(std::filesystem::exists(dir.file(c.name + ".png")), c.drawn);
        if (*c.says) {
            EXPECT_THAT(r.err, HasSubstr(c.says));
        }
    }
}

// A sequence keeps the tracer's structure and refits it as the letters move: each
// frame is the frame rendered on its own.
TEST(RayTraceRender, ASequenceDrawsEachFrameAsItsStillDoes) {
    fw::test::TempDir dir;
    const std::string project = std::string(FW_SOURCE_DIR) + "/examples/animated-title.kxp";
    auto run = [&](const std::string& arguments) {
        return fw::test::formwright(dir, "render " + project + " --renderer raytrace --size 96x54 " + arguments);
    };
    auto seq = run("--frames 8-10 -o " + dir.file("shot.png"));
    ASSERT_EQ(seq.status, 0) << seq.err;
    for (int frame : {9, 10}) {
        const std::string still = dir.file("still" + std::to_string(frame) + ".png");
        ASSERT_EQ(run("--frame " + std::to_string(frame) + " -o " + still).status, 0);
        Rgba a = readRgba(dir.file((frame < 10 ? "shot_000" : "shot_00") + std::to_string(frame) + ".png")),
             b = readRgba(still);
        ASSERT_EQ(a.rgb.size(), b.rgb.size());
        int worst = 0;
        for (size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(a.rgb[i] - b.rgb[i]));
        EXPECT_LE(worst, 1) << frame;
    }
    EXPECT_NE(readRgba(dir.file("shot_0008.png")).rgb, readRgba(dir.file("shot_0010.png")).rgb);
}

namespace {

const std::string kSoftShadow = FW_SOURCE_DIR "/examples/soft-shadow.kxp";

// The program on a terminal of its own, as at a shell: a traced frame then shows its
// rows as it goes, which tells a test the tracing has begun.
class OnTerminal {
public:
    explicit OnTerminal(const std::string& arguments) {
        pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            std::string command = "exec " + std::string(FW_EXECUTABLE) + " " + arguments;
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~OnTerminal() {
        if (fd_ >= 0) close(fd_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    // Reads what the program prints until `text` shows; false when it ended first.
    bool waitFor(const std::string& text) {
        while (seen_.find(text) == std::string::npos) {
            char buffer[4096];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            seen_.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }
    // Sends the signal and waits for the program to end; its raw wait status.
    int stop(int signal) {
        kill(pid_, signal);
        waitFor(std::string(1, '\0'));  // reads to the end
        int raw = 0;
        waitpid(pid_, &raw, 0);
        pid_ = -1;
        return raw;
    }
    const std::string& seen() const { return seen_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string seen_;
};

// The program with stderr in a file, started in the background.
pid_t startProgram(const std::string& arguments, const std::string& err) {
    pid_t child = fork();
    if (child == 0) {
        std::string command = "exec " + std::string(FW_EXECUTABLE) + " " + arguments + " 2>" + err;
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

bool isBackground(const int* p) { return p[0] == 13 && p[1] == 15 && p[2] == 23; }  // 0.05 0.06 0.09

}  // namespace

// Stopped while tracing, a still keeps the rows done and shows the background in the
// rest; the status is the signal's. The example's ground fills the whole frame, so
// every traced row holds more than background.
TEST(RayTraceRender, AStoppedStillKeepsItsTracedRowsAndFillsTheRestWithBackground) {
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string name = signal == SIGINT ? "SIGINT" : "SIGTERM";
        SCOPED_TRACE(name);
        fw::test::TempDir dir;
        const std::string out = dir.file("stopped.png");
        const int width = 3200, height = 1800;
        OnTerminal program("render " + kSoftShadow + " --size " + std::to_string(width) + "x" + std::to_string(height) +
                           " -o " + out);
        ASSERT_TRUE(program.started());
        ASSERT_TRUE(program.waitFor("ray tracing, ")) << program.seen();
        const int raw = program.stop(signal);
        ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signal) << program.seen();
        const std::string said = "formwright: " + out + ": stopped by " + name + " after ";
        const size_t at = program.seen().find(said);
        ASSERT_NE(at, std::string::npos) << program.seen();
        const int kept = std::atoi(program.seen().c_str() + at + said.size());
        EXPECT_NE(program.seen().find(" of " + std::to_string(height) + " rows; the rest is background", at),
                  std::string::npos)
            << program.seen();
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, height);
        EXPECT_THAT(program.seen(), Not(HasSubstr("Number of rays traced")));

        Rgba image = readRgba(out);
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        int plain = 0;
        for (int y = 0; y < height; ++y) {
            bool all = true;
            for (int x = 0; x < width && all; ++x) all = isBackground(image.at(x, y));
            plain += all;
        }
        EXPECT_EQ(plain, height - kept);
        // Rows are traced from the top (the file's last row); the bottom one was never reached.
        EXPECT_FALSE(isBackground(image.at(width / 2, height - 1)));
        EXPECT_TRUE(isBackground(image.at(width / 2, 0)));
        // Written whole or not at all: no partial file beside it.
        for (auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".writing-"))) << entry.path();
    }
}

// Stopped in the middle of a traced frame, a sequence drops that frame at once rather
// than finishing it, keeps the frames done and finishes a movie so that it plays.
TEST(RayTraceRender, AStoppedSequenceDropsTheFrameInHand) {
    fw::test::TempDir dir;
    struct Case {
        int signal;
        std::string out, firstFile, secondFile;
    };
    const Case cases[] = {{SIGTERM, "stopped.mov", "stopped.mov", ""},
                          {SIGINT, "shot.png", "shot_0000.png", "shot_0001.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string err = dir.file(c.out + ".err");
        const pid_t child =
            startProgram("render " + kSoftShadow + " --frames 0-2 --size 960x540 -o " + dir.file(c.out), err);
        ASSERT_GT(child, 0);
        // The first frame is written; the second is being traced.
        for (int wait = 0; wait < 60000 && test::slurp(err).find("Rendering 1 of 3") == std::string::npos; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        kill(child, c.signal);
        int raw = 0;
        waitpid(child, &raw, 0);
        const std::string text = test::slurp(err);
        ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
        EXPECT_EQ(WEXITSTATUS(raw), 128 + c.signal) << text;
        EXPECT_THAT(text, HasSubstr(": stopped by " + std::string(c.signal == SIGINT ? "SIGINT" : "SIGTERM") +
                                    " after 1 of 3 frames"));
        EXPECT_THAT(text, Not(HasSubstr("Rendering 2 of 3")));
        EXPECT_TRUE(std::filesystem::exists(dir.file(c.firstFile)));
        if (!c.secondFile.empty()) {
            EXPECT_FALSE(std::filesystem::exists(dir.file(c.secondFile)));
        }
        if (c.out == "stopped.mov") {
            fw::test::MovieProbe probe(dir.file(c.out));
            EXPECT_EQ(probe["nb_read_frames"], "1") << probe.json;
        }
    }
}
