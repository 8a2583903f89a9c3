#include "persistence/CommandTable.h"

#include "SampleRecord.h"

namespace fw {

TEST(CountedDictionary, CountsReferencesAndFreesAtZero) {
    CountedDictionary<int> names;
    auto* a = names.findOrInsert("title", 5);
    EXPECT_EQ(a->references, 1);
    EXPECT_EQ(names.findOrInsert("title"), a);
    EXPECT_EQ(std::pair(a->references, a->value), std::pair(2, 5));  // an empty value does not replace the stored one
    names.findOrInsert("title", 9);
    EXPECT_EQ(a->value, 9);
    EXPECT_EQ(names.count(), 1);
    names.release(a);
    names.release(a);
    EXPECT_EQ(names.find("title"), a);
    names.release(a);
    EXPECT_EQ(names.find("title"), nullptr);
    EXPECT_EQ(names.count(), 0);
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
