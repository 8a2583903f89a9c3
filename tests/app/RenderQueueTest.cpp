// The render queue through the real executable: items added and listed, the file read and written back byte for byte,
// and a run killed outright picking up where it was without rendering a finished item again.
#include "AppHelpers.h"
#include "app/RenderQueue.h"

using testing::HasSubstr;

namespace fw {
namespace {

const std::string kQueueExample = test::example("animated-title.kxp");

class Queue : public testing::Test {
protected:
    test::Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
    void add(const std::string& out, const std::string& options) {
        test::Outcome r = run("queue add " + queue + " " + kQueueExample + " -o " + dir.file(out) + " " + options);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    test::TempDir dir;
    std::string queue = dir.file("renders.queue");
};

TEST_F(Queue, TheFileRoundTripsByteForByteBeforeAndAfterARun) {
    add("a.mov", "--frames 0-2 --size 64x36 --codec png --fps 25");
    add("b.png", "--size 64x36 --batch 3");
    add("c.png", "--frames 4-5 --size 48x32 --renderer gl");
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass ? "after the run" : "as added");
        const std::string bytes = test::readFile(queue);
        RenderQueue read;
        std::string error;
        ASSERT_TRUE(read.read(queue, error)) << error;
        ASSERT_EQ(read.items.size(), 3u);
        ASSERT_TRUE(read.write(dir.file("again.queue"), error)) << error;
        EXPECT_EQ(test::readFile(dir.file("again.queue")), bytes);
        RenderQueue::Output output;
        // Frames, sizes and batches show in the listing below.
        ASSERT_TRUE(RenderQueue::outputOf(read.items[0]->outputChunk, output));
        EXPECT_EQ(std::pair(output.codec, output.fps), std::pair(std::string("png"), std::string("25")));
        EXPECT_EQ(RenderQueue::chunkOf(output), read.items[0]->outputChunk);
        if (pass == 0) {
            EXPECT_THAT(bytes, HasSubstr("  OutputType MOV\n  OutputChunk 51\nFrames 0-2\nSize 64x36\n"
                                         "FramesPerSecond 25\nCodec png\n\n  VariableIndex 0\n"));
            // The example has no variable file: that item fails, the others render.
            test::Outcome ran = run("queue run " + queue);
            EXPECT_EQ(ran.status, 1);
            EXPECT_THAT(ran.err, HasSubstr("has no variable file"));
        }
    }
    test::Outcome listed = run("queue list " + queue);
    EXPECT_EQ(listed.out, "1 * RenderedOK -> " + dir.file("a.mov") + "  (" + kQueueExample + ", frames 0-2, 64x36)\n" +
                              "2 * RenderedError -> " + dir.file("b.png") + "  (" + kQueueExample +
                              ", batch 3, 64x36)\n" + "3 * RenderedOK -> " + dir.file("c.png") + "  (" + kQueueExample +
                              ", frames 4-5, 48x32)\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("c_0005.png")));
    test::writeFile(dir.file("bad.queue"), " begin RenderItemUnit\n  OutputType XYZ\n end RenderItemUnit\n");
    test::Outcome bad = run("queue list " + dir.file("bad.queue"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_THAT(bad.err, HasSubstr("bad.queue"));
}

// Killed in item 2, a run leaves the rest to the next, which renders no finished item again; SIGTERM, as a scheduler
// sends it, marks the item in hand partly rendered, saves the queue and ends the run with 143, as Ctrl-C does.
TEST_F(Queue, AKilledRunFinishesTheRestWithoutRedoingAFinishedItemAndSigtermEndsItWith143) {
    add("first.mov", "--frames 0-2 --size 64x36");
    add("long.png", "--frames 0-60 --size 320x180");
    add("last.png", "--size 64x36");
    {
        test::Background running("--library-folder " + dir.file("lib") + " queue run " + queue, dir.file("run.err"));
        ASSERT_TRUE(running.started());
        running.waitFor("Rendering 3 of 61");
        running.stop(SIGKILL);
        ASSERT_THAT(running.said(), HasSubstr("Queue item 2 of 3"));
    }
    RenderQueue stopped;
    std::string error;
    ASSERT_TRUE(stopped.read(queue, error)) << error;
    EXPECT_EQ(stopped.items[0]->renderStatus, RenderItemUnit::kRenderedOK);
    EXPECT_EQ(stopped.items[1]->renderStatus, RenderItemUnit::kRendering);
    EXPECT_EQ(stopped.items[2]->renderStatus, RenderItemUnit::kNotRendered);
    EXPECT_FALSE(std::filesystem::exists(dir.file("last.png")));
    ASSERT_TRUE(std::filesystem::exists(dir.file("first.mov")));
    const auto firstMovie = std::filesystem::last_write_time(dir.file("first.mov"));
    test::Outcome resumed = run("queue run " + queue);
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_THAT(resumed.err, testing::Not(HasSubstr("Queue item 1 ")));
    EXPECT_THAT(resumed.err, HasSubstr("Queue item 2 of 3"));
    EXPECT_EQ(std::filesystem::last_write_time(dir.file("first.mov")), firstMovie);
    EXPECT_TRUE(std::filesystem::exists(dir.file("long_0060.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("last.png")));
    EXPECT_EQ(run("queue list " + queue).out.find("Rendering "), std::string::npos);
    // Nothing is left to do: a third run renders nothing.
    test::Outcome again = run("queue run " + queue);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err.find("Queue item"), std::string::npos) << again.err;
    // An item added to the finished queue is the one in hand when SIGTERM comes.
    add("long.mov", "--frames 0-60 --size 320x180");
    test::Background running("--library-folder " + dir.file("lib") + " queue run " + queue, dir.file("term.err"));
    ASSERT_TRUE(running.started());
    running.waitFor("Rendering 3 of 61");
    const int raw = running.stop(SIGTERM);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 143);
    RenderQueue terminated;
    ASSERT_TRUE(terminated.read(queue, error)) << error;
    EXPECT_EQ(terminated.items.at(3)->renderStatus, RenderItemUnit::kRenderedPartial);
    EXPECT_GT(std::filesystem::file_size(dir.file("long.mov")), 0u);
}

}  // namespace
}  // namespace fw
