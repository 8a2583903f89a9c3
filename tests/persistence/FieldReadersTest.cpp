#include "persistence/FieldReaders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"

namespace fw {
namespace {

// A record whose every keyword is read by the shared field readers.
class Fields : public CommandEnabler {
public:
    Fields() {
        registerCommand("weight", readField<&Fields::weight>);
        registerCommand("count", readField<&Fields::count>);
        registerCommand("visible", readField<&Fields::visible>);
        registerCommand("name", readField<&Fields::name>);
        registerCommand("position", readField<&Fields::position>);
        registerCommand("tint", readField<&Fields::tint>);
        registerCommand("corner", readField<&Fields::corner>);
        registerCommand("touched", readFieldThen<&Fields::count, touch>);
        registerCommand("end", CommandEnabler::endCommand);
    }
    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "Fields"; }

    static void touch(CommandEnabler& r) { ++static_cast<Fields&>(r).touches; }

    double weight = 0;
    int count = 0;
    bool visible = false;
    std::string name;
    double position[3] = {};
    float tint[4] = {};
    int corner[2] = {};
    int touches = 0;
};

struct Stream {
    Stream(Fields& root, const std::string& text) : io(&root) {
        EXPECT_TRUE(block.resize(text.size()));
        std::memcpy(block.lock(), text.data(), text.size());
        block.unlock();
        io.attachInput(block);
    }
    MemoryBlock block;
    MemCmdIO io;
};

}  // namespace

TEST(FieldReaders, ReadEachFieldWithTheReaderOfItsType) {
    Fields f;
    Stream s(f,
             "weight 2.5\ncount 7\nvisible 3\nname \"Gold Bar\"\nposition 1 -2 0.5\n"
             "tint 0.25 0.5 0.75 1\ncorner 4 -9\n**EndOfStream**\n");
    for (int i = 0; i < 7; ++i) ASSERT_EQ(s.io.processNextCommand(), 0) << s.io.diagnostic();
    EXPECT_EQ(f.weight, 2.5);
    EXPECT_EQ(f.count, 7);
    EXPECT_TRUE(f.visible);  // any integer but 0 sets a flag
    EXPECT_EQ(f.name, "Gold Bar");
    EXPECT_EQ(std::vector<double>(f.position, f.position + 3), (std::vector<double>{1, -2, 0.5}));
    EXPECT_EQ(std::vector<float>(f.tint, f.tint + 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 1}));
    EXPECT_EQ(std::vector<int>(f.corner, f.corner + 2), (std::vector<int>{4, -9}));
    EXPECT_EQ(s.io.processNextCommand(), 0);  // the end marker
    EXPECT_FALSE(s.io.hasInput());
}

// A malformed value is an error that leaves a scalar and the change hook alone; the
// reader goes on with the next line.
TEST(FieldReaders, FlagsMalformedValuesAndTheChangeHook) {
    Fields f;
    f.count = 5;
    Stream s(f, "visible on\ncount many\nvisible yes\ntouched 3\ntouched x\nposition 1 x 3\nvisible 0\nweight\n"
                "**EndOfStream**\n");
    ASSERT_EQ(s.io.processNextCommand(), 0);
    EXPECT_TRUE(f.visible);
    EXPECT_EQ(s.io.processNextCommand(), -1);
    EXPECT_NE(s.io.diagnostic().find("Error processing scene command <<count>>"), std::string::npos)
        << s.io.diagnostic();
    EXPECT_EQ(f.count, 5);
    EXPECT_EQ(s.io.processNextCommand(), -1);
    EXPECT_TRUE(f.visible);
    ASSERT_EQ(s.io.processNextCommand(), 0);
    EXPECT_EQ(f.count, 3);
    EXPECT_EQ(s.io.processNextCommand(), -1);
    EXPECT_EQ(f.count, 3);
    EXPECT_EQ(f.touches, 1);
    // A short vector keeps the values before the bad one.
    EXPECT_EQ(s.io.processNextCommand(), -1);
    EXPECT_EQ(std::vector<double>(f.position, f.position + 3), (std::vector<double>{1, 0, 0}));
    ASSERT_EQ(s.io.processNextCommand(), 0);
    EXPECT_FALSE(f.visible);
    // A missing value: the reader meets the end marker.
    EXPECT_EQ(s.io.processNextCommand(), -1);
    EXPECT_EQ(f.weight, 0.0);
}

}  // namespace fw
