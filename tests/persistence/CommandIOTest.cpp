// Dispatch, recovery and the shared writers, driven through the string-array endpoint; that endpoint's own rows and
// C arrays, and the memory and terminal endpoints.
#include "persistence/CommandIO.h"

#include <new>

#include "MemoryStream.h"
#include "Repeated.h"
#include "SampleRecord.h"
#include "TempDir.h"
#include "persistence/MemCmdIO.h"
#include "persistence/StringsIO.h"
#include "persistence/TerminalIO.h"
#include "platform/MemoryBlock.h"

namespace fw {
namespace {

using test::SampleRecord;
constexpr int kDone = CommandIO::kDone, kFailed = CommandIO::kFailed, kEndOfData = CommandIO::kEndOfData;

// Reads the way a loader does; returns the last status.
int load(CommandIO& io) {
    int status = kDone;
    while (io.hasInput() && (status = io.processNextCommand()) == kDone) {
    }
    return status;
}

// Undoes what a C compiler does to the writer's output: one literal per line.
std::vector<std::string> compileLiterals(const std::string& body) {
    std::vector<std::string> lines;
    for (size_t at = 0; (at = body.find('"', at)) != std::string::npos; at = body.find('\n', at) + 1) {
        std::string& line = lines.emplace_back();
        for (++at; body[at] != '"'; ++at) line += body[at] == '\\' ? body[++at] : body[at];
    }
    return lines;
}

// A root record reading `text` through the string-array endpoint, counting the token reads that dispatch spends.
struct Reading : StringsIO {
    explicit Reading(std::vector<std::string> text) : StringsIO(&root), storage(std::move(text)) {
        for (auto& s : storage) pointers.push_back(s.c_str());
        pointers.push_back(nullptr);
        attach(pointers.data());
    }
    int readToken(char* token, int size) override {
        ++reads;
        return StringsIO::readToken(token, size);
    }
    // The fields the rows touch that differ from a fresh record, and the stack's depth when it is not 1.
    std::string state() {
        std::ostringstream out;
        if (root.count) out << " count " << root.count;
        if (!root.name.empty()) out << " name " << root.name;
        if (root.color[0] || root.color[1] || root.color[2])
            out << " color " << root.color[0] << " " << root.color[1] << " " << root.color[2];
        for (int i = 0; i < 4; ++i)
            if (root.slots[i]) out << " slot" << i << " " << root.slots[i]->amount;
        if (depth() != 1) out << " depth " << depth();
        return out.str().substr(out.str().empty() ? 0 : 1);
    }
    SampleRecord root;
    std::vector<std::string> storage;
    std::vector<const char*> pointers;
    int reads = 0;
};

std::string repeated(const char* word, int times, bool numbered) {
    std::string s;
    for (int i = 1; i <= times; ++i) s += word + (numbered ? std::to_string(i) : "") + " ";
    return s;
}

}  // namespace

TEST(CommandDispatch, UnknownCommandWithThreeArgumentsCostsFourReadsAndOneWarning) {
    Reading r({"mystery 1 2.5 3", "count 42"});
    EXPECT_EQ(r.processNextCommand(), kDone);
    EXPECT_EQ(std::pair(r.root.count, r.reads), std::pair(42, 6));  // reads: four dropped, the keyword, its argument
    EXPECT_EQ(r.diagnostic().rfind("Warning: Recovering", 0), 0u);  // its wording: the rows below
}

// Each row is loaded to its end or its first failure: the status, the last diagnostic
// (exactly) and what the records hold.
TEST(CommandDispatch, LoadsRecoverOrFailAsEachRowSays) {
    const std::string junk = repeated("junk", 100, true);
    const std::tuple<const char*, std::vector<std::string>, int, std::string, std::string> rows[] = {
        // The endpoint remembers where keywords were found; what one class's table
        // answered must not answer for another's.
        {"keyword of another class",
         {"count 1", "begin SampleSlot 0", "amount 2", "count 5", "end SampleSlot", "count 6", "begin SampleSlot 1",
          "amount 3 count 7", "end SampleSlot"},
         kDone, "Warning: Recovering from scene data error for command <<count>> for class <<SampleSlot>> at byte 14.",
         "count 6 slot0 2 slot1 3"},
        {"a hundred unusable tokens", {junk, "count 1"}, kFailed,
         "Scene error: unknown command <<junk100>> for class <<SampleRecord>> at byte " +
             std::to_string(junk.size() - 1) + ".",
         ""},
        {"ninety-nine are survived", {repeated("x", 99, false), "count 5"}, kDone,
         "Warning: Recovering from scene data error for command <<x>> for class <<SampleRecord>> at byte 1.",
         "count 5"},
        // "end" must name the receiver's class, "begin" a class the receiver makes, and an
        // "end" at the root empties the stack.
        {"end of another class", {"begin SampleSlot 2", "amount 0.5", "end SampleRecord"}, kFailed,
         "Error processing scene command <<end>> for class <<SampleSlot>> at byte 16.", "slot2 0.5 depth 2"},
        {"unknown child", {"begin ObjectX", "count 3"}, kFailed,
         "Error processing scene command <<begin>> for class <<SampleRecord>> at byte 13.", ""},
        {"end at the root", {"end SampleRecord", "count 3"}, kFailed,
         "Error processing command stack while loading scene.", "depth 0"},
        {"comments and hashes inside words", {"# a comment with count 99", "name ab#cd   # trailing", "count 3"}, kDone,
         "", "count 3 name ab#cd"},
        // The keyword is cut to 255 characters in the warning.
        {"overlong keyword", {test::repeated("", 300, 'q', " count 4")}, kDone,
         test::repeated("Warning: Recovering from scene data error for command <<", 255, 'q',
                       ">> for class <<SampleRecord>> at byte 300."), "count 4"},
        // Exactly three colour tokens are consumed.
        {"colour", {"color 0.5 0.25 1 count 8"}, kDone, "", "count 8 color 0.5 0.25 1"},
        {"short vector", {"position 1 2 x"}, kFailed,
         "Error processing scene command <<position>> for class <<SampleRecord>> at byte 14.", ""},
        {"empty quoted string", {"name \"x\"", "name \"\""}, kDone, "", ""},
    };
    for (const auto& [name, lines, status, diagnostic, state] : rows) {
        SCOPED_TRACE(name);
        Reading r(lines);
        EXPECT_EQ(load(r), status);
        EXPECT_EQ(r.diagnostic(), diagnostic);
        EXPECT_EQ(r.state(), state);
    }
}

TEST(CommandDispatch, EachEndpointKeepsTheDiagnosticOfItsOwnLoad) {
    Reading damaged({"count many"}), clean({"count 4"});
    EXPECT_EQ(damaged.processNextCommand(), kFailed);
    // Another load going on meanwhile neither clears nor takes the first one's error.
    EXPECT_EQ(clean.processNextCommand(), kDone);
    EXPECT_EQ(clean.diagnostic(), "");
    EXPECT_EQ(damaged.diagnostic(), "Error processing scene command <<count>> for class <<SampleRecord>> at byte 10.");
}

TEST(CommandWriters, HexAndQuoteEscaping) {
    SampleRecord root;
    StringsIO io(&root);
    const unsigned char bytes[] = {0x00, 0xab};
    io.formatHex(bytes, 2);
    EXPECT_STREQ(io.lineBuffer(), "00ab");
    io.formatHex(bytes, 0);
    EXPECT_STREQ(io.lineBuffer(), "");
    // What reads back already keeps its bytes (single backslashes, network paths); a backslash that reaches a quote or
    // the end is doubled, or it would escape the closing quote; the cut to 255 never splits an escape.
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\fonts\\arial.ttf", "C:\\fonts\\arial.ttf"}, {"\\\\server\\share\\x.kxp", "\\\\server\\share\\x.kxp"},
        {std::string(300, 'a'), std::string(300, 'a')}, {"say \"hi\"", "say \\\"hi\\\""},
        {test::repeated("\"", 300, 'a'), test::repeated("\\\"", 254, 'a')},
        {"C:\\Titles\\", "C:\\Titles\\\\"}, {"\\\\", "\\\\\\\\"}, {"a\\\"b", "a\\\\\\\"b"},
        {test::repeated("", 255, 'a', "\"b"), std::string(255, 'a')},
        {test::repeated("\"", 252, 'a', "\\\""), test::repeated("\\\"", 252, 'a', "\\\\")},
        {test::repeated("\"", 253, 'a', "\\b"), test::repeated("\\\"", 253, 'a')},
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(escapeQuotes(text), escaped) << text;
}

TEST(TerminalIO, ReadsLinesFromAFileAndWritesIndentedLines) {
    test::TempDir dir;
    test::writeFile(dir.file("in.txt"),
                    "count 2\r\n# note\nbegin SampleSlot 3\namount 1.5\nend SampleSlot\n**EndOfStream**\ncount 9\n");
    SampleRecord root;
    {
        TerminalIO io(&root);
        ASSERT_TRUE(io.openInput(dir.file("in.txt")) && io.openOutput(dir.file("out.txt")));
        EXPECT_EQ(load(io), kEndOfData);
        EXPECT_EQ(io.lineNumber(), 6);
        EXPECT_EQ(io.writeBytes("x", 1), -1);
        io.push(&root);
        EXPECT_EQ(io.writef("count %d\n", root.count), 0);
        EXPECT_FALSE(io.openInput(dir.file("missing.txt")));
    }
    EXPECT_EQ(std::pair(root.count, root.slots[3] ? root.slots[3]->amount : -1), std::pair(2, 1.5));
    EXPECT_EQ(test::readFile(dir.file("out.txt")), "  count 2\n");
}

// Pointer arrays, as presets compiled into the program hold them: WritesACArrayBodyThatReadsBack.
TEST(StringsIO, ReadsFixedRowsAndStopsAtAnEmptyRow) {
    const char fixedRows[][24] = {"count 3", "weight 1.5", "", "count 9", ""};
    SampleRecord fixed;
    StringsIO rows(&fixed);
    rows.attach(fixedRows[0], sizeof fixedRows[0]);
    EXPECT_EQ(load(rows), kDone);
    EXPECT_EQ(std::tuple(fixed.count, fixed.weight, rows.hasInput()), std::tuple(3, 1.5, false));
}

TEST(StringsIO, QuotesEndOnTheirLineAndKnowNoEscapes) {
    Reading io({"name \"a\\\"b\" count 2", "name \"never closed count 5", "count 6"});
    // The backslash does not escape the quote; then 'b"' is unknown, then count 2. The unterminated string drops its
    // line: the name reads the next token instead.
    for (const char* state : {"name a\\", "count 2 name a\\", "count 2 name count"}) {
        EXPECT_EQ(io.processNextCommand(), kDone);
        EXPECT_EQ(io.state(), state);
    }
}

TEST(StringsIO, WritesACArrayBodyThatReadsBack) {
    SampleRecord original, holder;
    SampleRecord::fill(original, 4);
    original.raw.clear();  // raw bytes have no place in a string array
    original.name = "Gold C:\\presets\\new";  // the reader knows no escapes, so no quotes
    original.slots[2] = std::make_unique<test::SampleSlot>();
    test::TempDir dir;
    std::FILE* out = std::fopen(dir.file("body.c").c_str(), "w");
    {
        StringsIO io(&holder);
        io.setOutput(out);
        ASSERT_EQ(io.writeBlock(original), 0);
        EXPECT_EQ(io.writeBytes("x", 1), -1);
    }
    std::fclose(out);
    const std::string body = test::readFile(dir.file("body.c"));
    EXPECT_TRUE(body.starts_with(" \"begin SampleRecord\",\n") && body.ends_with(" \"end SampleRecord\",\n")) << body;
    EXPECT_NE(body.find("  \"name \\\"Gold C:\\\\presets\\\\new\\\"\",\n"), std::string::npos);
    Reading in(compileLiterals(body));
    EXPECT_EQ(load(in), kDone) << in.diagnostic();
    ASSERT_EQ(in.root.children.size(), 1u);
    EXPECT_EQ(test::writtenBlock(*in.root.children[0]), test::writtenBlock(original));
}

TEST(MemCmdIO, WritesLinesEndMarkerAndShrinksTheBlock) {
    SampleRecord holder, record;
    record.slots[0] = std::make_unique<test::SampleSlot>();
    MemoryBlock block(8 + 16);
    MemCmdIO io(&holder);
    io.attachOutput(block, 8);  // 16 free bytes: the block grows in steps of 16
    ASSERT_EQ(io.writeBlock(*record.slots[0]), 0);
    ASSERT_EQ(io.finish(), 0);
    const std::string expected = " begin SampleSlot\n  amount 0\n end SampleSlot\n **EndOfStream**\n";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.lock()) + 8, block.size() - 8), expected + '\0');
    block.unlock();
    EXPECT_EQ(block.lockCount(), 0);
}

TEST(MemCmdIO, GrowthFailureRaisesOutOfMemory) {
    SampleRecord holder;
    MemoryBlock block(32, 40);
    MemCmdIO io(&holder);
    io.attachOutput(block);
    EXPECT_EQ(io.writef("count %d\n", 1), 0);
    EXPECT_THROW(io.writef("name \"%s\"\n", std::string(100, 'n').c_str()), std::bad_alloc);
}

// The memory reader takes the end marker as the end of its data; names with
// backslashes before a quote or the end come back whole.
TEST(MemCmdIO, RoundTripThroughAPaste) {
    for (const std::string& name : {std::string(), std::string("C:\\Titles\\"), std::string("a\\\"b\\\\")}) {
        SampleRecord original, holder, pasted;
        SampleRecord::fill(original, 3);
        if (!name.empty()) original.name = name;
        original.children.push_back(std::make_unique<SampleRecord>());
        MemoryBlock block(64);
        {
            MemCmdIO out(&holder);
            out.attachOutput(block);
            ASSERT_EQ(original.writeCommands(out), 0);
            ASSERT_EQ(out.finish(), 0);
        }
        // Read into a receiver the way clipboard pastes do.
        MemCmdIO in(&holder);
        in.attachInput(block);
        in.push(&pasted);
        while (in.depth() > 1 && in.hasInput()) ASSERT_EQ(in.processNextCommand(), kDone) << in.diagnostic();
        EXPECT_EQ(in.diagnostic(), "");
        // Every field and the child, written again: one read wrong changes the bytes.
        EXPECT_EQ(test::writtenBlock(pasted), test::writtenBlock(original));
        EXPECT_FALSE(in.hasInput());
    }
}

TEST(MemCmdIO, LineRulesPeekStartOffsetAndTheEndMarker) {
    SampleRecord root;
    const std::string text = "HEADER\r\nname \"open quote\ncount 4\r\nname \"a\\\"b\"\n**EndOfStream**\ncount 2\n";
    MemoryBlock block(text.size());
    std::memcpy(block.lock(), text.data(), text.size());
    block.unlock();
    MemCmdIO io(&root);
    io.attachInput(block, 8);
    char token[256];
    ASSERT_EQ(io.peekToken(token, sizeof token), 0);
    EXPECT_STREQ(token, "name");
    EXPECT_EQ(io.bytePosition(), 8);
    EXPECT_EQ(io.processNextCommand(), kDone);
    EXPECT_EQ(root.name, "open quote");  // a quoted string ends with its line
    ASSERT_EQ(io.peekToken(token, sizeof token), 0);
    EXPECT_STREQ(token, "count");
    EXPECT_EQ(io.processNextCommand(), kDone);
    EXPECT_EQ(root.count, 4);
    EXPECT_EQ(io.processNextCommand(), kDone);
    EXPECT_EQ(std::pair(root.name, bool(io.hasInput())), std::pair(std::string("a\"b"), true));
    EXPECT_EQ(io.processNextCommand(), kDone);  // the marker ends the data
    EXPECT_EQ(std::pair(bool(io.hasInput()), root.count), std::pair(false, 4));
    EXPECT_EQ(block.lockCount(), 1);
    io.detach();
    EXPECT_EQ(block.lockCount(), 0);
}

}  // namespace fw
