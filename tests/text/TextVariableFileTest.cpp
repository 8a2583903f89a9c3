// Variable tables as spreadsheets save them: quoting, separators, encodings, and the line a damaged one is refused at.
// The program's own use of a table, and its messages for an unclosed quote and a missing file, are in TextBatchesTest.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "text/TextVariableFile.h"

namespace fw {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(TextVariableFile, ReadsQuotedFieldsAfterABomAndTakesTheSeparatorFromTheHeaderOrTheName) {
    TextVariableFile file;
    std::string error;
    ASSERT_TRUE(file.parse("\xEF\xBB\xBFName,Title,Note\r\n\"Zo\xC3\xAB\",\"Director, Photography\",x\r\nAnn,,\r\n\r\n"
                           "\"Bo \"\"B\"\" Lee\",\"Two\r\nLines\"\r\nLast,\"\",\"end\"", 0, error)) << error;
    EXPECT_EQ(file.columns, (std::vector<std::string>{"Name", "Title", "Note"}));
    EXPECT_EQ(file.rows, (Rows{{"Zo\xC3\xAB", "Director, Photography", "x"}, {"Ann", "", ""},
                               {"Bo \"B\" Lee", "Two\r\nLines", ""}, {"Last", "", "end"}}));
    // As the text's characters: the accent as a single code, the break as one return.
    EXPECT_EQ(file.values(1)[0], u"Zo\u00EB");
    EXPECT_EQ(file.values(3)[1], u"Two\rLines");
    EXPECT_TRUE(file.values(5).empty() && file.values(0).empty());
    // Tabs and semicolons, from the header or the file's name.
    ASSERT_TRUE(file.parse("Name\tTitle\nA, Jr.\tB;C\n", 0, error)) << error;
    EXPECT_EQ(std::pair(file.separator, file.rows), std::pair('\t', Rows{{"A, Jr.", "B;C"}}));
    ASSERT_TRUE(file.parse("Name;Title\n\"A;B\";1,5\n", 0, error)) << error;
    EXPECT_EQ(file.rows, (Rows{{"A;B", "1,5"}}));
    test::TempDir dir;
    test::writeFile(dir.file("t.tsv"), "Name,x\tTitle\nA,b\tC\n");
    ASSERT_TRUE(file.read(dir.file("t.tsv"), error)) << error;
    EXPECT_EQ(file.rows, (Rows{{"A,b", "C"}}));
}

TEST(TextVariableFile, RefusesDamageNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Name,Title\nA,\"B\"x\n", "line 2: text after the closing quote of field 2"},
        {"Name,Title\nA,B\n\"x\ny\",z\nA,B\"C\n", "line 5: a quote inside unquoted field 2"},
        {"Name,Title\nA,B\nA,B,C\n", "line 3: 3 fields, but the header names 2 columns"},
        {"Name\nZo\xEB\n", "line 2: is not UTF-8 text"},
        {std::string("\xFF\xFEN\0a\0", 6), "is UTF-16 text"},
        {"", "holds no header row"},
    };
    for (const auto& [bytes, expected] : cases) {
        TextVariableFile file;
        std::string error;
        EXPECT_FALSE(file.parse(bytes, 0, error)) << bytes;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
        EXPECT_TRUE(file.rows.empty());
    }
}

}  // namespace
}  // namespace fw
