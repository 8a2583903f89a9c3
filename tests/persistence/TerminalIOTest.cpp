#include "persistence/TerminalIO.h"

#include "SampleRecord.h"
#include "TempDir.h"

namespace fw {

using test::SampleRecord;

TEST(TerminalIO, ReadsLinesFromAFileAndWritesIndentedLines) {
    test::TempDir dir;
    test::writeFile(dir.file("in.txt"),
                    "count 2\r\n# note\nbegin SampleSlot 3\namount 1.5\nend SampleSlot\n**EndOfStream**\ncount 9\n");
    SampleRecord root;
    {
        TerminalIO io(&root);
        ASSERT_TRUE(io.openInput(dir.file("in.txt")));
        ASSERT_TRUE(io.openOutput(dir.file("out.txt")));
        int status;
        while (io.hasInput() && (status = io.processNextCommand()) == 0) {
        }
        EXPECT_EQ(status, -3);
        EXPECT_EQ(io.lineNumber(), 6);
        EXPECT_EQ(io.writeBytes("x", 1), -1);
        io.push(&root);
        EXPECT_EQ(io.writef("count %d\n", root.count), 0);
        EXPECT_FALSE(io.openInput(dir.file("missing.txt")));
    }
    EXPECT_EQ(root.count, 2);
    ASSERT_TRUE(root.slots[3]);
    EXPECT_EQ(root.slots[3]->amount, 1.5);
    EXPECT_EQ(test::readFile(dir.file("out.txt")), "  count 2\n");
}
}  // namespace fw
