// The render farm script without a farm: its slices cover the range once each, and the slices rendered as its array
// tasks would, joined as its last job does, make the movie `render` makes of the whole range, frame for frame.
#include "AppHelpers.h"
#include "MovieProbe.h"
#include "platform/MovieReader.h"

namespace fw {
namespace {

const std::string kScript = FW_SOURCE_DIR "/scripts/slurm-render";
const std::string kFarmExample = test::example("animated-title.kxp");
const std::string kLook = " --size 64x36 --codec png --fps 30";

int sh(const std::string& command) { return std::system(command.c_str()); }

std::string slices(const std::string& range, int tasks) {
    return test::commandOutput(kScript + " --print-slices --frames " + range + " --tasks " + std::to_string(tasks));
}

// `render --frames 0-59` of the example as one movie, against the movie at `joined`, frame for frame; the first and
// last frames differ, so that frames are told apart.
void expectTheWholeRender(const test::TempDir& dir, const std::string& joined, const std::string& log = "") {
    const std::string whole = dir.file("whole.mov");
    ASSERT_EQ(test::ran(dir, "render " + kFarmExample + " --frames 0-59" + kLook + " -o " + whole).status, 0);
    MovieReader read, rendered;
    ASSERT_TRUE(read.open(joined)) << read.error() << log;
    ASSERT_TRUE(rendered.open(whole)) << rendered.error();
    ASSERT_EQ(std::pair(read.frameCount(), rendered.frameCount()), std::pair(60, 60));
    std::vector<uint8_t> a, b, firstFrame;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(read.readFrame(i, a) && rendered.readFrame(i, b));
        EXPECT_EQ(a, b) << "frame " << i;
        if (i == 0) firstFrame = a;
    }
    EXPECT_NE(a, firstFrame);
}

TEST(Farm, SlicesCoverTheRangeAndJoinedAreTheMovieOfTheWholeRangeFrameForFrame) {
    EXPECT_EQ(slices("0-59", 4), "0-14\n15-29\n30-44\n45-59\n");
    EXPECT_EQ(slices("0-9", 4), "0-2\n3-5\n6-7\n8-9\n");
    EXPECT_EQ(slices("5-7", 10), "5-5\n6-6\n7-7\n");
    EXPECT_EQ(slices("9-3", 2), "");  // refused: the range runs backwards
    test::TempDir dir;
    const std::string out = dir.file("shot.mov"), program = "--formwright " FW_EXECUTABLE;
    const std::string common = " --frames 0-59 --tasks 3" + kLook + " -o " + out + " " + kFarmExample + " 2>/dev/null";
    for (int task = 0; task < 3; ++task)
        ASSERT_EQ(
            sh("SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " " + kScript + " --run-slice " + program + common), 0);
    // The join job exactly as the script would submit it.
    const std::string submitted = test::commandOutput(kScript + " --dry-run " + program + common);
    const size_t wrap = submitted.rfind("--wrap ");
    ASSERT_NE(wrap, std::string::npos) << submitted;
    const std::string join = submitted.substr(wrap + 7, submitted.find('\n', wrap) - wrap - 7);
    EXPECT_NE(join.find("\\ join\\ "), std::string::npos) << join;
    ASSERT_EQ(sh("sh -c " + join + " 2>/dev/null"), 0) << join;
    expectTheWholeRender(dir, out);
    // A slice that did not finish is named, not skipped.
    std::remove(dir.file("shot.frames/frame_0031.png").c_str());
    test::Outcome gap =
        test::formwright(dir, "join " + dir.file("shot.frames/frame.png") + " -o " + dir.file("gap.mov"));
    EXPECT_EQ(gap.status, 1);
    EXPECT_NE(gap.err.find("frame 31 is missing"), std::string::npos) << gap.err;
}

// Four array tasks and the join job on a real one-machine Slurm cluster (munge, slurmctld and slurmd started for the
// test by scripts/slurm-local), where Debian's slurm-wlm and munge are installed; the joined movie is
// `render --frames 0-59`'s, frame for frame.
TEST(Farm, ARealClusterRendersTheArrayAndJoinsTheMovie) {
    if (sh("(command -v slurmctld && command -v slurmd && command -v munged && command -v sbatch) "
           ">/dev/null 2>&1") != 0)
        GTEST_SKIP() << "slurm-wlm and munge are not installed: the farm is tested without a cluster only";
    test::TempDir dir;
    const std::string cluster = dir.file("cluster"), local = FW_SOURCE_DIR "/scripts/slurm-local";
    ASSERT_EQ(sh(local + " start " + cluster + " >/dev/null"), 0) << "see " << cluster << "/log";
    struct Stop {
        std::string command;
        ~Stop() { (void)sh(command); }
    } stop{local + " stop " + cluster};
    const std::string conf = "SLURM_CONF=" + cluster + "/slurm.conf ", out = dir.file("farm.mov");
    const std::string submitted =
        test::commandOutput(conf + kScript + " --formwright " + FW_EXECUTABLE + " --frames 0-59 --tasks 4" + kLook +
                            " --sbatch --chdir=" + dir.path().string() + " --sbatch --output=" + cluster +
                            "/log/job-%A_%a.out -o " + out + " " + kFarmExample);
    EXPECT_NE(submitted.find("4 tasks over 0-59"), std::string::npos) << submitted;
    // Both jobs leave the queue once the join is done (a minute at most on this machine).
    for (int wait = 0; wait < 240 && test::commandOutput(conf + "squeue -h") != ""; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(test::commandOutput(conf + "squeue -h"), "");
    expectTheWholeRender(dir, out, "; see " + cluster + "/log");
}

}  // namespace
}  // namespace fw
