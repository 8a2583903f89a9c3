// Dispatch, recovery and the shared writers, driven through the string-array endpoint.
#include "persistence/CommandIO.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "SampleRecord.h"
#include "persistence/StringsIO.h"

namespace fw {
namespace {

using test::SampleRecord;

// Counts the token reads that dispatch spends.
class CountingIO : public StringsIO {
public:
    using StringsIO::StringsIO;
    int readToken(char* token, int size) override {
        ++reads;
        return StringsIO::readToken(token, size);
    }
    int reads = 0;
};

struct Lines {
    explicit Lines(std::vector<std::string> text) : storage(std::move(text)) {
        for (auto& s : storage) pointers.push_back(s.c_str());
        pointers.push_back(nullptr);
    }
    std::vector<std::string> storage;
    std::vector<const char*> pointers;
};

// A root record reading `text` through the string-array endpoint.
struct Reading {
    explicit Reading(std::vector<std::string> text) : lines(std::move(text)), io(&root) {
        io.attach(lines.pointers.data());
    }
    SampleRecord root;
    Lines lines;
    StringsIO io;
};

// Loads lines into root the way a loader does; returns the last status.
int load(CommandIO& io) {
    int status = 0;
    while (io.hasInput() && (status = io.processNextCommand()) == 0) {
    }
    return status;
}

}  // namespace

TEST(CommandDispatch, UnknownCommandWithThreeArgumentsCostsFourReadsAndOneWarning) {
    SampleRecord root;
    CountingIO io(&root);
    Lines lines({"mystery 1 2.5 3", "count 42"});
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.count, 42);
    EXPECT_EQ(io.reads, 6);  // four dropped, the keyword, its argument
    EXPECT_EQ(io.diagnostic(),
              "Warning: Recovering from scene data error for command <<mystery>> for class "
              "<<SampleRecord>> at byte 7.");
}

TEST(CommandDispatch, AKeywordKnownToOneClassIsStillUnknownToAnotherLaterInTheStream) {
    // The endpoint remembers where keywords were found; what one class's table
    // answered must not answer for another's.
    Reading r({"count 1", "begin SampleSlot 0", "amount 2", "count 5", "end SampleSlot", "count 6",
               "begin SampleSlot 1", "amount 3 count 7", "end SampleSlot"});
    load(r.io);
    EXPECT_EQ(r.root.count, 6);
    ASSERT_TRUE(r.root.slots[0] && r.root.slots[1]);
    EXPECT_EQ(r.root.slots[0]->amount, 2);
    EXPECT_EQ(r.root.slots[1]->amount, 3);
}

TEST(CommandDispatch, EachEndpointKeepsTheDiagnosticOfItsOwnLoad) {
    Reading damaged({"count many"}), clean({"count 4"});
    EXPECT_EQ(damaged.io.processNextCommand(), -1);
    // Another load going on meanwhile neither clears nor takes the first one's error.
    EXPECT_EQ(clean.io.processNextCommand(), 0);
    EXPECT_EQ(clean.io.diagnostic(), "");
    EXPECT_EQ(damaged.io.diagnostic(),
              "Error processing scene command <<count>> for class <<SampleRecord>> at byte 10.");
}

TEST(CommandDispatch, AHundredUnusableTokensFailTheStream) {
    std::string junk, fewer;
    for (int i = 1; i <= 100; ++i) junk += "junk" + std::to_string(i) + " ";
    Reading r({junk, "count 1"});
    EXPECT_EQ(r.io.processNextCommand(), -1);
    EXPECT_EQ(r.io.diagnostic(), "Scene error: unknown command <<junk100>> for class <<SampleRecord>> at byte " +
                                     std::to_string(junk.size() - 1) + ".");
    EXPECT_EQ(r.root.count, 0);

    // Ninety-nine are survived.
    for (int i = 1; i <= 99; ++i) fewer += "x ";
    Reading again({fewer, "count 5"});
    EXPECT_EQ(again.io.processNextCommand(), 0);
    EXPECT_EQ(again.root.count, 5);
    EXPECT_NE(again.io.diagnostic().find("Warning: Recovering"), std::string::npos);
}

TEST(CommandDispatch, FlagsTakeOnAndOffAndRejectOtherWords) {
    Reading r({"enabled on", "enabled 0", "enabled 1", "enabled yes"});
    for (int expected : {1, 0, 1}) {
        EXPECT_EQ(r.io.processNextCommand(), 0);
        EXPECT_EQ(r.root.enabled, expected);
    }
    EXPECT_EQ(r.io.processNextCommand(), -1);
    EXPECT_EQ(r.io.diagnostic(), "Error processing scene command <<enabled>> for class <<SampleRecord>> at byte 11.");
}

// "end" must name the receiver's class, "begin" a class the receiver makes, and an
// "end" at the root empties the stack.
TEST(CommandDispatch, BlocksOpenOnlyKnownClassesAndCloseOnlyTheirOwn) {
    Reading wrongEnd({"begin SampleSlot 2", "amount 0.5", "end SampleRecord"});
    EXPECT_EQ(load(wrongEnd.io), -1);
    ASSERT_TRUE(wrongEnd.root.slots[2]);
    EXPECT_EQ(wrongEnd.root.slots[2]->amount, 0.5);
    EXPECT_EQ(wrongEnd.io.depth(), 2);
    EXPECT_EQ(wrongEnd.io.diagnostic(), "Error processing scene command <<end>> for class <<SampleSlot>> at byte 16.");

    Reading unknownChild({"begin ObjectX", "count 3"});
    EXPECT_EQ(unknownChild.io.processNextCommand(), -1);
    EXPECT_NE(unknownChild.io.diagnostic().find("<<begin>>"), std::string::npos);

    Reading strayEnd({"end SampleRecord", "count 3"});
    EXPECT_EQ(strayEnd.io.processNextCommand(), 0);
    EXPECT_EQ(strayEnd.io.processNextCommand(), -1);
    EXPECT_EQ(strayEnd.io.diagnostic(), "Error processing command stack while loading scene.");
}

TEST(CommandDispatch, CommentsAndHashesInsideWords) {
    Reading r({"# a comment with count 99", "name ab#cd   # trailing", "count 3"});
    EXPECT_EQ(load(r.io), 0);
    EXPECT_EQ(r.root.name, "ab#cd");
    EXPECT_EQ(r.root.count, 3);
    EXPECT_EQ(r.io.diagnostic(), "");
}

TEST(CommandDispatch, OverlongKeywordIsCutTo255AndReportedUnknown) {
    Reading r({std::string(300, 'q') + " count 4"});
    EXPECT_EQ(r.io.processNextCommand(), 0);
    EXPECT_EQ(r.root.count, 4);
    EXPECT_NE(r.io.diagnostic().find("<<" + std::string(255, 'q') + ">>"), std::string::npos);
    EXPECT_EQ(r.io.diagnostic().find(std::string(256, 'q')), std::string::npos);
}

TEST(CommandDispatch, TypedReadersNeedEveryTokenOfACompositeValue) {
    Reading r({"color 0.5 0.25 1 count 8", "position 1 2 x", "name \"\""});
    EXPECT_EQ(r.io.processNextCommand(), 0);
    EXPECT_EQ(r.io.processNextCommand(), 0);  // exactly three colour tokens were consumed
    EXPECT_EQ(r.root.count, 8);
    EXPECT_FLOAT_EQ(r.root.color[1], 0.25f);
    EXPECT_EQ(r.io.processNextCommand(), -1);
    r.root.name = "x";
    EXPECT_EQ(r.io.processNextCommand(), 0);
    EXPECT_EQ(r.root.name, "");  // an empty quoted string is a value
}

TEST(CommandWriters, HexAndQuoteEscaping) {
    SampleRecord root;
    StringsIO io(&root);
    const unsigned char bytes[] = {0x00, 0xab};
    io.formatHex(bytes, 2);
    EXPECT_STREQ(io.lineBuffer(), "00ab");
    io.formatHex(bytes, 0);
    EXPECT_STREQ(io.lineBuffer(), "");

    // What reads back already keeps its bytes (single backslashes, network paths); a
    // backslash that reaches a quote or the end is doubled, or it would escape the
    // closing quote; the cut to 255 never splits an escape.
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\fonts\\arial.ttf", "C:\\fonts\\arial.ttf"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {std::string(300, 'a'), std::string(300, 'a')},
        {"\\\\server\\share\\x.kxp", "\\\\server\\share\\x.kxp"},
        {"\"" + std::string(300, 'a'), "\\\"" + std::string(254, 'a')},
        {"C:\\Titles\\", "C:\\Titles\\\\"},
        {"\\\\", "\\\\\\\\"},
        {"a\\\"b", "a\\\\\\\"b"},
        {std::string(255, 'a') + "\"b", std::string(255, 'a')},
        {"\"" + std::string(252, 'a') + "\\\"", "\\\"" + std::string(252, 'a') + "\\\\"},
        {"\"" + std::string(253, 'a') + "\\b", "\\\"" + std::string(253, 'a')},
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(escapeQuotes(text), escaped) << text;
}

}  // namespace fw
