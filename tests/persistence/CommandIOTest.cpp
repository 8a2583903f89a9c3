// Dispatch, recovery and the shared writers, driven through the string-array endpoint.
#include "persistence/CommandIO.h"

#include <gtest/gtest.h>

#include <string>
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
    SampleRecord root;
    StringsIO io(&root);
    Lines lines({"count 1", "begin SampleSlot 0", "amount 2", "count 5", "end SampleSlot", "count 6",
                 "begin SampleSlot 1", "amount 3 count 7", "end SampleSlot"});
    io.attach(lines.pointers.data());
    load(io);
    EXPECT_EQ(root.count, 6);
    ASSERT_TRUE(root.slots[0] && root.slots[1]);
    EXPECT_EQ(root.slots[0]->amount, 2);
    EXPECT_EQ(root.slots[1]->amount, 3);
}

TEST(CommandDispatch, EachEndpointKeepsTheDiagnosticOfItsOwnLoad) {
    SampleRecord first, second;
    StringsIO damaged(&first), clean(&second);
    Lines bad({"count many"}), good({"count 4"});
    damaged.attach(bad.pointers.data());
    clean.attach(good.pointers.data());
    EXPECT_EQ(damaged.processNextCommand(), -1);
    // Another load going on meanwhile neither clears nor takes the first one's error.
    EXPECT_EQ(clean.processNextCommand(), 0);
    EXPECT_EQ(clean.diagnostic(), "");
    EXPECT_EQ(damaged.diagnostic(), "Error processing scene command <<count>> for class <<SampleRecord>> at byte 10.");
}

TEST(CommandDispatch, AHundredUnusableTokensFailTheStream) {
    SampleRecord root;
    std::string junk;
    for (int i = 1; i <= 100; ++i) junk += "junk" + std::to_string(i) + " ";
    Lines lines({junk, "count 1"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), -1);
    EXPECT_EQ(io.diagnostic(), "Scene error: unknown command <<junk100>> for class <<SampleRecord>> at byte " +
                                  std::to_string(junk.size() - 1) + ".");
    EXPECT_EQ(root.count, 0);

    // Ninety-nine are survived.
    std::string fewer;
    for (int i = 1; i <= 99; ++i) fewer += "x ";
    Lines recoverable({fewer, "count 5"});
    StringsIO again(&root);
    again.attach(recoverable.pointers.data());
    EXPECT_EQ(again.processNextCommand(), 0);
    EXPECT_EQ(root.count, 5);
    EXPECT_NE(again.diagnostic().find("Warning: Recovering"), std::string::npos);
}

TEST(CommandDispatch, FlagsTakeOnAndOffAndRejectOtherWords) {
    SampleRecord root;
    Lines lines({"enabled on", "enabled 0", "enabled 1", "enabled yes"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.enabled, 1);
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.enabled, 0);
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.enabled, 1);
    EXPECT_EQ(io.processNextCommand(), -1);
    EXPECT_EQ(io.diagnostic(),
              "Error processing scene command <<enabled>> for class <<SampleRecord>> at byte 11.");
}

TEST(CommandDispatch, EndMustNameTheReceiversClass) {
    SampleRecord root;
    Lines lines({"begin SampleSlot 2", "amount 0.5", "end SampleRecord"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(load(io), -1);
    ASSERT_TRUE(root.slots[2]);
    EXPECT_EQ(root.slots[2]->amount, 0.5);
    EXPECT_EQ(io.depth(), 2);
    EXPECT_EQ(io.diagnostic(), "Error processing scene command <<end>> for class <<SampleSlot>> at byte 16.");
}

TEST(CommandDispatch, UnknownChildClassFailsBegin) {
    SampleRecord root;
    Lines lines({"begin ObjectX", "count 3"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), -1);
    EXPECT_NE(io.diagnostic().find("<<begin>>"), std::string::npos);
}

TEST(CommandDispatch, StrayEndAtRootLevelEmptiesTheStack) {
    SampleRecord root;
    Lines lines({"end SampleRecord", "count 3"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(io.processNextCommand(), -1);
    EXPECT_EQ(io.diagnostic(), "Error processing command stack while loading scene.");
}

TEST(CommandDispatch, CommentsAndHashesInsideWords) {
    SampleRecord root;
    Lines lines({"# a comment with count 99", "name ab#cd   # trailing", "count 3"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(load(io), 0);
    EXPECT_EQ(root.name, "ab#cd");
    EXPECT_EQ(root.count, 3);
    EXPECT_EQ(io.diagnostic(), "");
}

TEST(CommandDispatch, OverlongKeywordIsCutTo255AndReportedUnknown) {
    SampleRecord root;
    Lines lines({std::string(300, 'q') + " count 4"});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.count, 4);
    EXPECT_NE(io.diagnostic().find("<<" + std::string(255, 'q') + ">>"), std::string::npos);
    EXPECT_EQ(io.diagnostic().find(std::string(256, 'q')), std::string::npos);
}

TEST(CommandDispatch, TypedReadersNeedEveryTokenOfACompositeValue) {
    SampleRecord root;
    Lines lines({"color 0.5 0.25 1 count 8", "position 1 2 x", "name \"\""});
    StringsIO io(&root);
    io.attach(lines.pointers.data());
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(io.processNextCommand(), 0);  // exactly three colour tokens were consumed
    EXPECT_EQ(root.count, 8);
    EXPECT_FLOAT_EQ(root.color[1], 0.25f);
    EXPECT_EQ(io.processNextCommand(), -1);
    root.name = "x";
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.name, "");  // an empty quoted string is a value
}

TEST(CommandWriters, HexAndQuoteEscaping) {
    SampleRecord root;
    StringsIO io(&root);
    const unsigned char bytes[] = {0x00, 0xab};
    io.formatHex(bytes, 2);
    EXPECT_STREQ(io.lineBuffer(), "00ab");
    io.formatHex(bytes, 0);
    EXPECT_STREQ(io.lineBuffer(), "");

    EXPECT_EQ(escapeQuotes("C:\\fonts\\arial.ttf"), "C:\\fonts\\arial.ttf");
    EXPECT_EQ(escapeQuotes("say \"hi\""), "say \\\"hi\\\"");
    EXPECT_EQ(escapeQuotes(std::string(300, 'a')).size(), 300u);  // no quote: unchanged
    EXPECT_EQ(escapeQuotes("\"" + std::string(300, 'a')).size(), 256u);
}

TEST(CommandWriters, BackslashesThatReachAQuoteOrTheEndAreEscaped) {
    // What reads back already keeps its bytes: single backslashes, network paths.
    EXPECT_EQ(escapeQuotes("\\\\server\\share\\x.kxp"), "\\\\server\\share\\x.kxp");
    EXPECT_EQ(escapeQuotes("\"" + std::string(300, 'a')), "\\\"" + std::string(254, 'a'));
    // A folder: its closing backslash is doubled, or it would escape the closing quote.
    EXPECT_EQ(escapeQuotes("C:\\Titles\\"), "C:\\Titles\\\\");
    EXPECT_EQ(escapeQuotes("\\\\"), "\\\\\\\\");
    // Backslashes before a quote are doubled, then the quote escaped.
    EXPECT_EQ(escapeQuotes("a\\\"b"), "a\\\\\\\"b");
    // The cut never splits an escape, and backslashes it leaves at the end are escaped.
    EXPECT_EQ(escapeQuotes(std::string(255, 'a') + "\"b"), std::string(255, 'a'));
    EXPECT_EQ(escapeQuotes("\"" + std::string(252, 'a') + "\\\""), "\\\"" + std::string(252, 'a') + "\\\\");
    EXPECT_EQ(escapeQuotes("\"" + std::string(253, 'a') + "\\b"), "\\\"" + std::string(253, 'a'));
}

}  // namespace fw
