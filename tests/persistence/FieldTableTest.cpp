// A class's stored lines from one table: each type's reader, registration, written order and spelling, conditional
// and read-only entries, and the round trip; and the keyword tables and counted dictionaries they register into.
#include "persistence/FieldTable.h"

#include "MemoryStream.h"
#include "SampleRecord.h"
#include "persistence/CommandTable.h"

namespace fw {
namespace {

struct Plate : CommandEnabler {
    Plate();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "Plate"; }
    static void touch(CommandEnabler& r) { ++receiverAs<Plate>(r).touches; }
    int count = 0, corner[2] = {}, touches = 0;
    double weight = 0, offset[3] = {};
    std::string label, style = "Normal";
    bool visible = false;
    float tint[4] = {};
};

bool labelled(CommandEnabler& r) { return !receiverAs<Plate>(r).label.empty(); }

constexpr FieldTable::Line kPlateLines[] = {
    field<&Plate::count>("count", Spelling::quoted),
    field<&Plate::weight>("weight"),
    field<&Plate::offset>("offset", Spelling::fixed),
    field<&Plate::label>("label", Spelling::quoted, labelled),
    field<&Plate::style>("style"),
    field<&Plate::visible>("visible"),
    field<&Plate::tint>("tint"),
    field<&Plate::corner>("corner"),
    {"mass", readField<&Plate::weight>},  // an old spelling, read only
    {"touched", readFieldThen<&Plate::count, Plate::touch>},
    {"end", CommandEnabler::endCommand},
};
constexpr FieldTable kPlateTable{kPlateLines};

Plate::Plate() { kPlateTable.registerInto(*this); }
int Plate::writeCommands(CommandIO& io) { return kPlateTable.write(io, *this); }

}  // namespace

// Any integer but 0 sets a flag; a conditional line is left out when its condition fails, and a read-only keyword
// is still read. What is written reads back to the same bytes, the escaped quotes of a label included.
TEST(FieldTable, ReadsEachValueWithItsTypesReaderAndWritesItBackInTheTablesOrder) {
    const std::pair<const char*, std::string> cases[] = {
        {"weight 2.5\ncount 7\nvisible 3\nlabel \"Gold Bar\"\noffset 1 -2 0.5\ntint 0.25 0.5 0.75 1\ncorner 4 -9\n"
         "style Multiply\n",
         " begin Plate\n  count \"7\"\n  weight 2.5\n  offset 1.000000 -2.000000 0.500000\n  label \"Gold Bar\"\n"
         "  style Multiply\n  visible 1\n  tint 0.25 0.5 0.75 1\n  corner 4 -9\n end Plate\n"},
        {"mass 2.5\ncount \"3\"\nend Plate\n",
         " begin Plate\n  count \"3\"\n  weight 2.5\n  offset 0.000000 0.000000 0.000000\n  style Normal\n"
         "  visible 0\n  tint 0 0 0 0\n  corner 0 0\n end Plate\n"},
        {"count -7\nweight 1e-07\noffset 0.5 -1e20 0.3333333333333333\nlabel \"Gold \\\"Bar\\\"\"\ncorner 0 -9\n",
         " begin Plate\n  count \"-7\"\n  weight 1e-07\n  offset 0.500000 -100000000000000000000.000000 0.333333\n"
         "  label \"Gold \\\"Bar\\\"\"\n  style Normal\n  visible 0\n  tint 0 0 0 0\n  corner 0 -9\n end Plate\n"},
    };
    for (const auto& [lines, written] : cases) {
        SCOPED_TRACE(lines);
        Plate p, back;
        std::string diagnostic;
        ASSERT_EQ(test::readLines(p, lines, &diagnostic), 0) << diagnostic;
        EXPECT_EQ(test::writtenBlock(p), written);
        // The block's own lines, without its "begin" line.
        ASSERT_EQ(test::readLines(back, written.substr(written.find('\n') + 1), &diagnostic), 0) << diagnostic;
        EXPECT_EQ(test::writtenBlock(back), written);
    }
}

// A malformed value is an error that leaves a scalar and the change hook alone, and a
// vector with the values before the bad one.
TEST(FieldTable, MalformedValuesLeaveTheFieldAndTheChangeHookAlone) {
    // Each row: the lines, the keyword whose line fails (none: all are read), the fields after.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"visible on\n", "", "count 0 visible 1 touches 0 offset 0 0 0 weight 0"},
        {"count 5\ncount many\n", "count", "count 5 visible 0 touches 0 offset 0 0 0 weight 0"},
        {"visible 1\nvisible yes\n", "visible", "count 0 visible 1 touches 0 offset 0 0 0 weight 0"},
        {"touched 3\ntouched x\n", "touched", "count 3 visible 0 touches 1 offset 0 0 0 weight 0"},
        {"offset 1 x 3\n", "offset", "count 0 visible 0 touches 0 offset 1 0 0 weight 0"},
        {"visible 1\nvisible 0\n", "", "count 0 visible 0 touches 0 offset 0 0 0 weight 0"},
        {"weight 2\nweight\n", "weight", "count 0 visible 0 touches 0 offset 0 0 0 weight 2"},  // meets the end marker
    };
    for (const auto& [lines, failing, state] : cases) {
        SCOPED_TRACE(lines);
        Plate p;
        std::string diagnostic;
        EXPECT_EQ(test::readLines(p, lines, &diagnostic), failing.empty() ? 0 : -1);
        if (!failing.empty()) {
            EXPECT_EQ(diagnostic.rfind("Error processing scene command <<" + failing + ">>", 0), 0u) << diagnostic;
        }
        std::ostringstream got;
        got << "count " << p.count << " visible " << p.visible << " touches " << p.touches << " offset " << p.offset[0]
            << " " << p.offset[1] << " " << p.offset[2] << " weight " << p.weight;
        EXPECT_EQ(got.str(), state);
    }
}

TEST(CountedDictionary, CountsReferencesAndFreesAtZero) {
    CountedDictionary<int> names;
    auto* a = names.findOrInsert("title", 5);
    EXPECT_EQ(a->references, 1);
    EXPECT_EQ(names.findOrInsert("title"), a);
    EXPECT_EQ(std::pair(a->references, a->value), std::pair(2, 5));  // an empty value does not replace the stored one
    names.findOrInsert("title", 9);
    EXPECT_EQ(std::pair(a->value, names.count()), std::pair(9, 1));
    names.release(a);
    names.release(a);
    EXPECT_EQ(names.find("title"), a);
    names.release(a);
    EXPECT_EQ(std::pair(names.find("title") == nullptr, names.count()), std::pair(true, 0));
}

TEST(CountedDictionary, AliasesMoveTheReferenceToTheNewName) {
    CountedDictionary<int> names;
    auto* oldName = names.findOrInsert("Text1", 1);
    auto* newName = names.findOrInsert("Headline", 1);
    names.setAlias(oldName, newName);
    EXPECT_EQ(newName->references, 2);  // its own plus the alias link
    auto* resolved = names.resolveAlias(names.findOrInsert("Text1"));
    EXPECT_EQ(resolved, newName);
    EXPECT_EQ(std::pair(newName->references, oldName->references), std::pair(3, 1));
    names.release(resolved);
    names.release(oldName);  // frees the old name and the reference its alias held
    EXPECT_EQ(names.find("Text1"), nullptr);
    EXPECT_EQ(std::pair(newName->references, names.count()), std::pair(1, 1));
}

// Keys are cut at 255 characters; bytes above 0x7f and keys longer than the hash's
// 32-bit shift land in buckets of their own like any other.
TEST(CountedDictionary, KeysAreCutAt255CharactersAndAnyByteHashes) {
    CountedDictionary<int> names;
    auto* e = names.findOrInsert(std::string(300, 'k').c_str(), 1);
    EXPECT_EQ(std::string(e->key), std::string(255, 'k'));
    EXPECT_EQ(names.find(std::string(256, 'k').c_str()), e);
    const std::string keys[] = {"\x80", "\xff", std::string(32, 'a') + "b", std::string(33, 'a')};
    for (const std::string& key : keys) names.findOrInsert(key.c_str(), static_cast<int>(key.size()));
    for (const std::string& key : keys) ASSERT_EQ(names.find(key.c_str())->value, static_cast<int>(key.size())) << key;
    int visited = 0;
    names.forEach([&](const auto&) { ++visited; });
    EXPECT_EQ(visited, 5);
}

TEST(CommandTable, RegisteringAgainForEveryInstanceKeepsOneEntryPerKeyword) {
    test::SampleRecord first;
    int entries = first.commandTable().count();
    test::SampleRecord second, third;
    EXPECT_EQ(first.commandTable().count(), entries);
    first.commandTable().forEach([](const CommandTable::Entry& e) {
        EXPECT_EQ(e.references, 1) << e.key;
        EXPECT_NE(e.value, nullptr) << e.key;
    });
    EXPECT_NE(first.commandTable().find("end"), nullptr);
}

}  // namespace fw
