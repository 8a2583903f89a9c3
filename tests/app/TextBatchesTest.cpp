// A title with variables rendered batch by batch from a spreadsheet's table: every row gives its still and its movie,
// with the characters of that row, drawn as the same text typed in would be.
#include "AppHelpers.h"
#include "MovieProbe.h"
#include "TitleRig.h"

using testing::HasSubstr;

namespace fw {
namespace {

struct Person {
    std::string name, title;
};

// Twenty rows: accents, a comma and a doubled quote inside quotes, and one empty cell.
std::vector<Person> people() {
    std::vector<Person> rows;
    const char* names[] = {"Zoë Müller", "Ann Lee", "José Peña", "Bo \"B\" Lee", "Chloé",
                           "Dan",        "Eve Ng",  "Françoise", "Gil",          "Hal Ray"};
    for (int i = 0; i < 20; ++i)
        rows.push_back({names[i % 10], i == 6       ? ""
                                       : i % 3 == 0 ? "Director, Photography"
                                                    : "Editor " + std::to_string(i + 1)});
    return rows;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

class TextBatches : public testing::Test {
protected:
    void SetUp() override {
        std::string table = "\xEF\xBB\xBFName,Title\r\n";
        for (const Person& p : people())
            table += quoted(p.name) + "," + (p.title.empty() ? "" : quoted(p.title)) + "\r\n";
        test::writeFile(dir.file("people.csv"), table);
        test::Outcome made =
            run("text '<<1:Name>>\n<<2:Title>>' --variables " + dir.file("people.csv") + " --size 64x36 -o " + lt);
        ASSERT_EQ(made.status, 0) << made.err;
    }
    test::Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
    test::TempDir dir;
    const std::string lt = dir.file("lt.kxp");
};

// Pixels of two pictures that differ by more than a shade.
int differing(const ::test::Pixels& a, const ::test::Pixels& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) count += test::colourDistance(&a.rgb[i], &b.rgb[i]) > 12;
    return count;
}

// Every row, or one alone as a still or a sequence; the mistakes batches refuse; and SIGTERM (what a scheduler sends)
// in the middle of a batch run: the finished batch's movie is whole, the one in hand plays up to its last frame, and no
// batch follows (that a stop leaves nothing beside a movie is FrameRanges.CtrlCAndSigtermStopAfterTheFrameInHand...'s).
TEST_F(TextBatches, EveryRowRendersItsOwnStillAndMovieMistakesAreRefusedAndSigtermKeepsTheMovieInHand) {
    const std::vector<Person> rows = people();
    test::Outcome stills = run("render " + lt + " --batch all -o " + dir.file("still.png"));
    ASSERT_EQ(stills.status, 0) << stills.err;
    test::Outcome movies = run("render " + lt + " --batch all --frames 0-2 -o " + dir.file("m.mov"));
    ASSERT_EQ(movies.status, 0) << movies.err;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        SCOPED_TRACE("batch " + n);
        int characters = 0;  // those that become objects: all but spaces and the line break between name and title
        for (unsigned char c : rows[i].name + rows[i].title) characters += c != ' ' && (c & 0xC0) != 0x80;
        const std::string said =
            "Text Batch " + n + " of 20: \"" + rows[i].name + "\", " + std::to_string(characters) + " characters\n";
        EXPECT_THAT(stills.err, HasSubstr(said));
        EXPECT_THAT(movies.err, HasSubstr(said));
        EXPECT_EQ(::test::readImage(dir.file("still_" + n + ".png")).width, 64);
        EXPECT_GT(std::filesystem::file_size(dir.file("m_" + n + ".mov")), 0u);
    }
    test::MovieProbe probe(dir.file("m_1.mov"));  // every movie is written alike
    EXPECT_EQ(probe["nb_read_frames"], "3") << probe.json;
    EXPECT_EQ(probe["width"], "64");
    EXPECT_FALSE(std::filesystem::exists(dir.file("still_21.png")));
    // A row's picture is the picture of its text typed in: accents and a comma, quotes, the empty cell.
    for (size_t i : {0, 3, 6}) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const std::string typed = dir.file("typed.png");
        std::string text = rows[i].name + "\n" + rows[i].title;
        for (size_t at = 0; (at = text.find('"', at)) != std::string::npos; at += 2) text.insert(at, "\\");
        ASSERT_EQ(run("text \"" + text + "\" --size 64x36 -o " + typed).status, 0);
        const std::string batch = dir.file("still_" + std::to_string(i + 1) + ".png");
        EXPECT_LE(differing(::test::readImage(batch), ::test::readImage(typed)), 2);
    }
    EXPECT_GT(differing(::test::readImage(dir.file("still_1.png")), ::test::readImage(dir.file("still_2.png"))), 20);
    test::Outcome one = run("render " + lt + " --batch 7 --frames 1-2 -o " + dir.file("s.png"));
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_THAT(one.err, HasSubstr("Text Batch 7 of 20: \"Eve Ng\", 5 characters"));
    for (const char* frame : {"s_7_0001.png", "s_7_0002.png"}) EXPECT_TRUE(std::filesystem::exists(dir.file(frame)));
    EXPECT_FALSE(std::filesystem::exists(dir.file("s_8_0001.png")));
    auto refused = [&](const std::string& arguments, const std::string& says) {
        test::Outcome r = run(arguments);
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_THAT(r.err, HasSubstr(says));
    };
    refused("render " + lt + " --batch 21 -o " + dir.file("x.png"),
            "--batch: takes a batch from 1 to 20, or all, not 21");
    ASSERT_EQ(run("text Plain --size 64x36 -o " + dir.file("plain.kxp")).status, 0);
    refused("render " + dir.file("plain.kxp") + " --batch all -o " + dir.file("x.png"),
            "plain.kxp: has no variable file");
    test::writeFile(dir.file("bad.csv"), "Name\nA\n\"B\n");
    refused("text '<<1:N>>' --variables " + dir.file("bad.csv") + " -o " + dir.file("bad.kxp"),
            "bad.csv: line 3: the quote that opens field 1 is never closed");
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.kxp")));
    test::Background program("render " + lt + " --batch all --frames 0-60 --size 320x180 -o " + dir.file("run.mov"),
                             dir.file("run.err"));
    ASSERT_TRUE(program.started());
    program.waitFor("Text Batch 2 of 20");
    // A few frames into the second batch's movie.
    for (int wait = 0; wait < 6000; ++wait) {
        const std::string said = program.said();
        const size_t second = said.find("Text Batch 2 of 20");
        if (second != std::string::npos && said.find("Rendering 3 of", second) != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int raw = program.stop(SIGTERM);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 143);
    EXPECT_EQ(test::MovieProbe(dir.file("run_1.mov"))["nb_read_frames"], "61");
    const int kept = std::atoi(test::MovieProbe(dir.file("run_2.mov"))["nb_read_frames"].c_str());
    EXPECT_GE(kept, 3);
    EXPECT_LT(kept, 61);
    EXPECT_FALSE(std::filesystem::exists(dir.file("run_3.mov")));
    // The table moved away after the project was made.
    std::filesystem::rename(dir.file("people.csv"), dir.file("gone.csv"));
    refused("render " + lt + " --batch 1 -o " + dir.file("x.png"), "people.csv: no such file");
}

// An animated lower third: each row's letters are timed again for their count, so every row's still is the settled
// title, the same picture as that row typed in and animated.
TEST(AnimatedTextBatches, EachRowSettlesIntoItsOwnStill) {
    test::TempDir dir;
    const std::string animated = " --animate slide-up,hold,fly-out --size 96x54 -o ", lt = dir.file("lt.kxp");
    test::writeFile(dir.file("rows.csv"), "Name\nAl\nGrace Brewster Murray Hopper\nJo Ng\n");
    ASSERT_EQ(test::ran(dir, "text '<<1:Name>>' --variables " + dir.file("rows.csv") + animated + lt).status, 0);
    ASSERT_EQ(test::ran(dir, "render " + lt + " --batch all -o " + dir.file("still.png")).status, 0);
    const char* rows[] = {"Al", "Grace Brewster Murray Hopper", "Jo Ng"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i]);
        ASSERT_EQ(test::ran(dir, std::string("text '") + rows[i] + "'" + animated + dir.file("typed.png")).status, 0);
        const std::string batch = dir.file("still_" + std::to_string(i + 1) + ".png");
        EXPECT_LE(differing(::test::readImage(batch), ::test::readImage(dir.file("typed.png"))), 2);
    }
    test::writeFile(dir.file("one.csv"), "Name\nAl\n");
    const std::string shattered = " --animate shatter -o " + dir.file("broken.kxp");
    EXPECT_EQ(test::formwright(dir, "text '<<1:Name>>' --variables " + dir.file("one.csv") + shattered).status, 1);
}

}  // namespace
}  // namespace fw
