#include "persistence/MemCmdIO.h"

#include <new>

#include "MemoryStream.h"
#include "platform/MemoryBlock.h"

namespace fw {
using test::SampleRecord;

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
        while (in.depth() > 1 && in.hasInput()) ASSERT_EQ(in.processNextCommand(), 0) << in.diagnostic();
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
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.name, "open quote");  // a quoted string ends with its line
    ASSERT_EQ(io.peekToken(token, sizeof token), 0);
    EXPECT_STREQ(token, "count");
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.count, 4);
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.name, "a\"b");
    EXPECT_TRUE(io.hasInput());
    EXPECT_EQ(io.processNextCommand(), 0);  // the marker ends the data
    EXPECT_FALSE(io.hasInput());
    EXPECT_EQ(root.count, 4);
    EXPECT_EQ(block.lockCount(), 1);
    io.detach();
    EXPECT_EQ(block.lockCount(), 0);
}

}  // namespace fw
