// Files read and written in chunks. Blocks written indented, indexed ones with their number, come back byte for
// byte from the hand-written conformance files, which the program saves through this endpoint (ProjectFileTest.cpp).
#include "persistence/AFileIO.h"

#include <cstdlib>
#include <random>

#include "BlockFile.h"
#include "Repeated.h"
#include "SampleRecord.h"
#include "TempDir.h"

namespace fw {
namespace {

using test::SampleRecord;
using test::TempDir;

// The load's last diagnostic goes to `diagnostic` when one is asked for.
int loadFile(SampleRecord& root, const std::string& path, std::string* diagnostic = nullptr) {
    AFileIO io(&root);
    if (io.openInput(path) != 0) return CommandIO::kFailed;
    int status = CommandIO::kDone;
    while (io.hasInput() && (status = io.processNextCommand()) == CommandIO::kDone) {
    }
    if (diagnostic) *diagnostic = io.diagnostic();
    return status;
}

}  // namespace

TEST(AFileIO, TokensStraddleTheChunkBoundary) {
    TempDir dir;
    for (int shift = -60; shift <= 15; ++shift) {
        // Every position of the quoted name (with its escapes and line feed), the
        // comment and the bare words in turn falls on the 49999-byte boundary.
        std::string text = "count 1\n";
        std::string pad(static_cast<size_t>(AFileIO::kChunkSize + shift - 20) - text.size(), ' ');
        text += pad + "name \"across the\nboundary \\\"here\\\"\" # comment over the edge\nweight 12345.75\n";
        test::writeFile(dir.file("big.kxp"), text);
        SampleRecord root;
        std::string diagnostic;
        ASSERT_EQ(loadFile(root, dir.file("big.kxp"), &diagnostic), CommandIO::kDone) << diagnostic;
        EXPECT_EQ(root.name, "across the\nboundary \"here\"") << shift;
        EXPECT_EQ(root.weight, 12345.75) << shift;
    }
}

TEST(AFileIO, NumbersReadExactlyAsTheCLibraryReadsThem) {
    // Spellings the program writes (%g, %f) and ones it does not (exponents, 17 digits, hex, a plus, trailing junk, out
    // of range), many of them falling across chunk boundaries; each value must have the bits strtod or strtof gives.
    std::vector<std::string> spellings = {"0", "-0", "1.", "-2.25", "100.125", "0.000001", "1e400", "-1e-400",
                                          "4.9e-324", "0x1p3", "+5", "1.5abc", "inf", "-inf", "9007199254740993",
                                          "123456789012345678901234567890", "0.1000000000000000055511151231257827"};
    std::mt19937_64 random(7);
    char text[64];
    for (int i = 0; i < 6000; ++i) {
        double v = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 80) - 90);
        if (random() & 1) v = -v;
        const char* formats[] = {"%g", "%f", "%.17g", "%.3f", "%e", "%.15g"};
        std::snprintf(text, sizeof text, formats[i % 6], v);
        spellings.push_back(text);
    }
    std::string stream;
    for (const std::string& s : spellings) stream += "weight " + s + "\ncolor " + s + " 0.5 " + s + "\n";
    TempDir dir;
    test::writeFile(dir.file("numbers.kxp"), stream);
    SampleRecord root;
    AFileIO io(&root);
    ASSERT_EQ(io.openInput(dir.file("numbers.kxp")), 0);
    for (const std::string& s : spellings) {
        ASSERT_EQ(io.processNextCommand(), CommandIO::kDone) << s;
        double expected = std::strtod(s.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&root.weight, &expected, sizeof expected), 0) << s << " read as " << root.weight;
        ASSERT_EQ(io.processNextCommand(), CommandIO::kDone) << s;
        float expectedFloat = std::strtof(s.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&root.color[0], &expectedFloat, sizeof expectedFloat), 0) << s;
        EXPECT_EQ(std::memcmp(&root.color[2], &expectedFloat, sizeof expectedFloat), 0) << s;
    }
}

// Line ends, the end marker, data ending inside a block or a string, and bytes that are
// not text: each ends the load with its status and diagnostic, keeping what was read.
TEST(AFileIO, UnusualAndDamagedInputEndsTheLoadAsEachRowSays) {
    std::string garbage;
    for (int i = 0; i < 60000; ++i) garbage += static_cast<char>((i * 7919) & 0xff);
    const std::tuple<const char*, std::string, int, std::string, std::string> rows[] = {
        {"CR LF", "count 3\r\nbegin SampleSlot 0\r\n amount 2\r\nend SampleSlot\r\n", CommandIO::kDone, "",
         "count 3 slot0 2.000000"},
        {"end marker", "count 3\n**EndOfStream**\ncount 4\n", CommandIO::kEndOfData, "", "count 3"},
        {"cut inside a block", "begin SampleRecord\n count 2\n name \"unfinished", CommandIO::kDone, "",
         "child count 2"},
        {"binary", garbage, CommandIO::kFailed, "Scene error: unknown command ", ""},
    };
    TempDir dir;
    for (const auto& [name, text, status, message, state] : rows) {
        SCOPED_TRACE(name);
        test::writeFile(dir.file("in.kxp"), text);
        SampleRecord root;
        std::string diagnostic = "unset";
        EXPECT_EQ(loadFile(root, dir.file("in.kxp"), &diagnostic), status);
        EXPECT_EQ(diagnostic.substr(0, diagnostic.find("<<")), message);  // up to the bytes it names
        std::string got = root.count ? "count " + std::to_string(root.count) : "";
        if (root.slots[0]) got += " slot0 " + std::to_string(root.slots[0]->amount);
        for (auto& child : root.children) got += "child count " + std::to_string(child->count);
        EXPECT_EQ(got, state);
    }
}

TEST(AFileIO, FailedOpensAndUnfinishedSavesLeaveFilesAlone) {
    TempDir dir;
    SampleRecord root;
    AFileIO reader(&root);
    EXPECT_EQ(reader.openInput(dir.file("missing.kxp")), -1);
    EXPECT_EQ(reader.error(), "No such file or directory");
    EXPECT_EQ(reader.openInput(dir.path().string()), -1);
    test::writeFile(dir.file("keep.kxp"), "count 1\n");
    {
        AFileIO writer(&root);
        ASSERT_EQ(writer.openOutput(dir.file("keep.kxp")), 0);
        writer.writef("count %d\n", 2);
        // Destroyed without closeOutput: the save did not finish.
    }
    EXPECT_EQ(test::readFile(dir.file("keep.kxp")), "count 1\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left behind
    AFileIO nowhere(&root);
    EXPECT_EQ(nowhere.openOutput(dir.file("no/such/folder/x.kxp")), -1);
}

TEST(AFileIO, RewindAndEchoOutput) {
    TempDir dir;
    test::writeFile(dir.file("in.kxp"), "count 5\n");
    SampleRecord root;
    {
        AFileIO io(&root);
        ASSERT_TRUE(io.openInput(dir.file("in.kxp")) == 0 && io.openEcho(dir.file("echo.txt")) == 0);
        char token[256];
        ASSERT_EQ(io.readToken(token, sizeof token), 0);
        EXPECT_EQ(io.bytePosition(), 5);
        ASSERT_EQ(io.rewind(), 0);
        ASSERT_EQ(io.readToken(token, sizeof token), 0);
        EXPECT_STREQ(token, "count");
        io.push(&root);
        std::snprintf(io.lineBuffer(), 64, "note");
        EXPECT_EQ(io.writeEchoLine(), 0);
    }
    EXPECT_EQ(test::readFile(dir.file("echo.txt")), "  note\n");
}

// Every field, a child and a slot come back; names with backslashes before a quote or
// the end read back as far as they were kept, and every line after them is read.
TEST(AFileIO, RoundTripGivesTheSameBytes) {
    TempDir dir;
    // The escapes themselves: CommandWriters.HexAndQuoteEscaping.
    const std::string names[] = {
        "",  // the filled name: quotes and backslashes
        "C:\\Titles\\", "a\\\"b", "\\\\server\\share\\",
        test::repeated("", 255, 'a', "\"b"),          // the cut falls inside the escaped quote
        test::repeated("\"", 252, 'a', "\\\""),       // the cut leaves a backslash at the end
        test::repeated("x\"", 240, '\\', "\"y"),      // a long run before a quote
    };
    for (const std::string& name : names) {
        SampleRecord original;
        SampleRecord::fill(original, 1);
        if (!name.empty()) original.name = name;
        original.children.push_back(std::make_unique<SampleRecord>());
        SampleRecord::fill(*original.children[0], 2);
        original.slots[3] = std::make_unique<test::SampleSlot>();
        original.slots[3]->amount = -2.5;
        std::string first = test::writeBlockFile(original, dir.file("a.kxp"));
        SampleRecord holder;
        std::string diagnostic;
        ASSERT_EQ(loadFile(holder, dir.file("a.kxp"), &diagnostic), CommandIO::kDone) << name << diagnostic;
        ASSERT_EQ(holder.children.size(), 1u) << name;
        SampleRecord& loaded = *holder.children[0];
        EXPECT_EQ(original.name.compare(0, loaded.name.size(), loaded.name), 0) << name;
        if (original.name.size() < 200) {
            EXPECT_EQ(loaded.name, original.name);
        }
        EXPECT_DOUBLE_EQ(loaded.version, 2.1);
        // Every other field is written exactly, so one read wrong changes the bytes.
        EXPECT_EQ(test::writeBlockFile(loaded, dir.file("b.kxp")), first) << name;
    }
}

TEST(AFileIO, ATokenLongerThanAnyWrittenLineEndsTheLoad) {
    TempDir dir;
    for (const std::string& token : {std::string(200000, 'x'), "\"" + std::string(200000, 'y')}) {
        test::writeFile(dir.file("long.kxp"), "count 3\n" + token + "\nweight 2\n");
        SampleRecord root;
        AFileIO io(&root);
        ASSERT_EQ(io.openInput(dir.file("long.kxp")), 0);
        EXPECT_EQ(io.processNextCommand(), CommandIO::kDone);
        EXPECT_EQ(io.processNextCommand(), CommandIO::kFailed);
        EXPECT_EQ(io.diagnostic(),
                  "Scene error: a token of more than 50000 characters for class <<SampleRecord>> at byte 8; "
                  "the rest of the data is not read.");
        EXPECT_EQ(std::tuple(io.hasInput(), root.count, root.weight), std::tuple(0, 3, 0.0));
    }
}

}  // namespace fw
