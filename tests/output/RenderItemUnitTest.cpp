// The render queue item's block: exact lines, a round trip through a memory stream with a chunk of arbitrary bytes, and
// the statuses and damage it reads. (Queue files on disk: Queue.TheFileRoundTripsByteForByteBeforeAndAfterARun.)
#include "output/RenderItemUnit.h"

#include "MemoryStream.h"
#include "SampleRecord.h"
#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"

namespace fw {
namespace {

// Output settings are a record of bytes: line ends, quotes and zeros among them.
const char kChunkBytes[] = "\x01quote \" and\nnew\r\nlines\0zero\0\xff";
const std::string kChunk(kChunkBytes, sizeof kChunkBytes - 1);

RenderItemUnit sampleItem() {
    RenderItemUnit item;
    item.selected = true;
    item.renderStatus = RenderItemUnit::kRendering;
    item.completedRenderStatus = RenderItemUnit::kRenderedPartial;
    item.setProjectPath("/work/titles/open \"A\".kxp");
    item.setOutputPath("/renders/open.png");
    item.outputType = OutputType::kPNG;
    item.outputChunk.assign(kChunk.begin(), kChunk.end());
    item.variableIndex = 3;
    return item;
}

const std::string kSampleBlock = " begin RenderItemUnit\n  Selected 1\n  RenderStatus Rendering\n"
                                 "  CompletedRenderStatus RenderedPartial\n"
                                 "  ProjectPath \"/work/titles/open \\\"A\\\".kxp\"\n"
                                 "  OutputPath \"/renders/open.png\"\n  OutputType PNG\n  OutputChunk 30\n" +
                                 kChunk + "\n  VariableIndex 3\n end RenderItemUnit\n";

// The block as a memory stream writes it, every byte (the chunk holds zeros).
std::string memoryBlock(RenderItemUnit& item) {
    test::SampleRecord holder;
    MemoryBlock block(64);
    MemCmdIO io(&holder);
    io.attachOutput(block);
    if (io.writeBlock(item) != 0) return "<write failed>";
    size_t used = io.writePosition();
    std::string text(reinterpret_cast<char*>(block.lock()), used);
    block.unlock();
    return text;
}

}  // namespace

TEST(RenderItemUnit, BlockRoundTripsChunksAreReplacedAndDamagedLinesFail) {
    RenderItemUnit item = sampleItem();
    ASSERT_EQ(memoryBlock(item), kSampleBlock);
    RenderItemUnit back;
    ASSERT_EQ(test::readLines(back, kSampleBlock.substr(kSampleBlock.find('\n') + 1)), 0);
    EXPECT_EQ(memoryBlock(back), kSampleBlock);
    ASSERT_EQ(test::readLines(item, "OutputChunk 3\nabc\nOutputChunk 0\n\nVariableIndex 9\n"), 0);
    EXPECT_TRUE(item.outputChunk.empty());
    EXPECT_EQ(item.variableIndex, 9);
    // Absurd or negative counts, a chunk cut short, unknown words, an over-long path: each fails, the item unchanged.
    const std::string damaged[] = {"OutputChunk 2147483647\n", "OutputChunk -5\n",    "OutputChunk 1048577\n",
                                   "OutputChunk 40\nshort\n",  "RenderStatus Done\n", "OutputType GIF\n",
                                   "OutputPath \"/" + std::string(260, 'x') + "\"\n"};
    for (const std::string& line : damaged) {
        RenderItemUnit target = sampleItem();
        EXPECT_NE(test::readLines(target, line), 0) << line;
        EXPECT_EQ(memoryBlock(target), kSampleBlock) << line;
    }
    EXPECT_FALSE(item.setProjectPath(std::string(261, 'p')));
    EXPECT_TRUE(item.setProjectPath(std::string(260, 'p')));
}

TEST(RenderItemUnit, FinishedStatusesAreAlsoTheCompletedOne) {
    for (const char* word : {"RenderedOK", "RenderedError", "RenderedPartial"}) {
        RenderItemUnit item;
        ASSERT_EQ(test::readLines(item, std::string("RenderStatus ") + word + "\n"), 0);
        EXPECT_STREQ(RenderItemUnit::statusName(item.completedRenderStatus), word);
        EXPECT_EQ(item.renderStatus, item.completedRenderStatus);
    }
    RenderItemUnit item;
    ASSERT_EQ(test::readLines(item, "RenderStatus RenderedOK\nRenderStatus Rendering\n"), 0);
    EXPECT_EQ(item.renderStatus, RenderItemUnit::kRendering);
    EXPECT_EQ(item.completedRenderStatus, RenderItemUnit::kRenderedOK);
    ASSERT_EQ(test::readLines(item, "CompletedRenderStatus NotQueued\n"), 0);
    EXPECT_EQ(item.renderStatus, RenderItemUnit::kRendering);
    EXPECT_EQ(item.completedRenderStatus, RenderItemUnit::kNotQueued);
}

}  // namespace fw
