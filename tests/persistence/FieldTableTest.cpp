// A class's stored lines from one table: registration, written order and spelling,
// conditional and read-only entries, and the round trip.
#include "persistence/FieldTable.h"

#include <gtest/gtest.h>

#include <string>

#include "MemoryStream.h"

namespace fw {
namespace {

class Plate : public CommandEnabler {
public:
    Plate();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "Plate"; }

    int count = 0;
    double weight = 0;
    double offset[3] = {};
    std::string label;
    std::string style = "Normal";
    bool visible = false;
    int corner[2] = {};
};

bool labelled(CommandEnabler& r) { return !receiverAs<Plate>(r).label.empty(); }

constexpr FieldTable::Line kPlateLines[] = {
    field<&Plate::count>("count", Spelling::quoted),
    field<&Plate::weight>("weight"),
    field<&Plate::offset>("offset", Spelling::fixed),
    field<&Plate::label>("label", Spelling::quoted, labelled),
    field<&Plate::style>("style"),
    field<&Plate::visible>("visible"),
    field<&Plate::corner>("corner"),
    {"mass", readField<&Plate::weight>},  // an old spelling, read only
    {"end", CommandEnabler::endCommand},
};
constexpr FieldTable kPlateTable{kPlateLines};

Plate::Plate() { kPlateTable.registerInto(*this); }
int Plate::writeCommands(CommandIO& io) { return kPlateTable.write(io, *this); }

}  // namespace

TEST(FieldTable, WritesEveryLineInTheTablesOrderWithItsSpelling) {
    Plate p;
    p.count = -7;
    p.weight = 1e-07;
    p.offset[0] = 0.5;
    p.offset[1] = -1e20;
    p.offset[2] = 1.0 / 3;
    p.label = "Gold \"Bar\"";
    p.style = "Multiply";
    p.visible = true;
    p.corner[0] = 4;
    p.corner[1] = -9;
    EXPECT_EQ(test::writtenBlock(p),
              " begin Plate\n"
              "  count \"-7\"\n"
              "  weight 1e-07\n"
              "  offset 0.500000 -100000000000000000000.000000 0.333333\n"
              "  label \"Gold \\\"Bar\\\"\"\n"
              "  style Multiply\n"
              "  visible 1\n"
              "  corner 4 -9\n"
              " end Plate\n");
}

TEST(FieldTable, ConditionalLinesAreLeftOutAndReadOnlyKeywordsAreStillRead) {
    Plate p;
    std::string diagnostic;
    ASSERT_EQ(test::readLines(p, "mass 2.5\ncount \"3\"\nend Plate\n", &diagnostic), 0) << diagnostic;
    EXPECT_EQ(p.weight, 2.5);
    EXPECT_EQ(p.count, 3);
    std::string text = test::writtenBlock(p);
    EXPECT_EQ(text.find("label"), std::string::npos);
    EXPECT_EQ(text.find("mass"), std::string::npos);
    EXPECT_NE(text.find("  weight 2.5\n"), std::string::npos);
}

TEST(FieldTable, WhatIsWrittenReadsBackToTheSameBytes) {
    Plate p;
    p.count = 12;
    p.weight = 0.1;
    p.offset[1] = 2.25;
    p.label = "a \"quoted\" label";
    p.visible = true;
    p.corner[1] = 3;
    std::string first = test::writtenBlock(p);
    Plate back;
    // The block's own lines, without its "begin" line.
    std::string body = first.substr(first.find('\n') + 1);
    std::string diagnostic;
    ASSERT_EQ(test::readLines(back, body, &diagnostic), 0) << diagnostic;
    EXPECT_EQ(back.label, p.label);
    EXPECT_EQ(back.corner[1], 3);
    EXPECT_EQ(test::writtenBlock(back), first);
}

}  // namespace fw
