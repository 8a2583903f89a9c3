#include "persistence/CommandTable.h"

#include <gtest/gtest.h>

#include <string>

#include "SampleRecord.h"

namespace fw {

TEST(CountedDictionary, BucketsFollowTheShiftedXorHash) {
    EXPECT_EQ(dictionaryBucket(""), 0);
    EXPECT_EQ(dictionaryBucket("a"), 97);
    EXPECT_EQ(dictionaryBucket("ab"), 97 ^ (98 << 1));
    // Characters are signed: 0x80 is -128, and the bucket is the absolute remainder.
    EXPECT_EQ(dictionaryBucket("\x80"), 128);
    EXPECT_EQ(dictionaryBucket("\xff"), 1);
    // The shift wraps after 32 characters: the 33rd lands on bit 0 again.
    EXPECT_EQ(dictionaryBucket((std::string(32, 'a') + "b").c_str()), 67);
}

TEST(CountedDictionary, CountsReferencesAndFreesAtZero) {
    CountedDictionary<int> names;
    auto* a = names.findOrInsert("title", 5);
    EXPECT_EQ(a->references, 1);
    auto* again = names.findOrInsert("title");
    EXPECT_EQ(again, a);
    EXPECT_EQ(a->references, 2);
    EXPECT_EQ(a->value, 5);  // an empty value does not replace the stored one
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
    auto* lookup = names.findOrInsert("Text1");
    auto* resolved = names.resolveAlias(lookup);
    EXPECT_EQ(resolved, newName);
    EXPECT_EQ(newName->references, 3);
    EXPECT_EQ(oldName->references, 1);
    names.release(resolved);
    names.release(oldName);  // frees the old name and the reference its alias held
    EXPECT_EQ(names.find("Text1"), nullptr);
    EXPECT_EQ(newName->references, 1);
    EXPECT_EQ(names.count(), 1);
}

TEST(CountedDictionary, KeysAreCutAt255Characters) {
    CountedDictionary<int> names;
    std::string longKey(300, 'k');
    auto* e = names.findOrInsert(longKey.c_str(), 1);
    EXPECT_EQ(std::string(e->key), std::string(255, 'k'));
    EXPECT_EQ(names.find(std::string(256, 'k').c_str()), e);
    int visited = 0;
    names.forEach([&](const auto&) { ++visited; });
    EXPECT_EQ(visited, 1);
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
