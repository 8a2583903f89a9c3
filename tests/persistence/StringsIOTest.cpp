#include "persistence/StringsIO.h"

#include "MemoryStream.h"

namespace fw {
namespace {

using test::SampleRecord;

int load(StringsIO& io) {
    int status = 0;
    while (io.hasInput() && (status = io.processNextCommand()) == 0) {
    }
    return status;
}

// Undoes what a C compiler does to the writer's output: one literal per line.
std::vector<std::string> compileLiterals(const std::string& body) {
    std::vector<std::string> lines;
    for (size_t at = 0; (at = body.find('"', at)) != std::string::npos; at = body.find('\n', at) + 1) {
        std::string& line = lines.emplace_back();
        for (++at; body[at] != '"'; ++at) line += body[at] == '\\' ? body[++at] : body[at];
    }
    return lines;
}

}  // namespace

// Pointer arrays, as presets compiled into the program hold them: WritesACArrayBodyThatReadsBack.
TEST(StringsIO, ReadsFixedRowsAndStopsAtAnEmptyRow) {
    const char fixedRows[][24] = {"count 3", "weight 1.5", "", "count 9", ""};
    SampleRecord fixed;
    StringsIO rows(&fixed);
    rows.attach(fixedRows[0], sizeof fixedRows[0]);
    EXPECT_EQ(load(rows), 0);
    EXPECT_EQ(std::tuple(fixed.count, fixed.weight, rows.hasInput()), std::tuple(3, 1.5, false));
}

TEST(StringsIO, QuotesEndOnTheirLineAndKnowNoEscapes) {
    const char* const lines[] = {"name \"a\\\"b\" count 2", "name \"never closed count 5", "count 6", nullptr};
    SampleRecord root;
    StringsIO io(&root);
    io.attach(lines);
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.name, "a\\");  // the backslash does not escape the quote
    // 'b"' is unknown, then count 2.
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.count, 2);
    // The unterminated string drops its line; the name reads the next token instead.
    EXPECT_EQ(io.processNextCommand(), 0);
    EXPECT_EQ(root.name, "count");
}

TEST(StringsIO, WritesACArrayBodyThatReadsBack) {
    SampleRecord original, holder;
    SampleRecord::fill(original, 4);
    original.raw.clear();  // raw bytes have no place in a string array
    original.name = "Gold C:\\presets\\new";  // the reader knows no escapes, so no quotes
    original.slots[2] = std::make_unique<test::SampleSlot>();
    char* text = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    {
        StringsIO io(&holder);
        io.setOutput(out);
        ASSERT_EQ(io.writeBlock(original), 0);
        EXPECT_EQ(io.writeBytes("x", 1), -1);
    }
    std::fclose(out);
    std::string body(text, length);
    free(text);
    EXPECT_EQ(body.substr(0, 23), " \"begin SampleRecord\",\n");
    EXPECT_NE(body.find("  \"name \\\"Gold C:\\\\presets\\\\new\\\"\",\n"), std::string::npos);
    EXPECT_EQ(body.substr(body.size() - 21), " \"end SampleRecord\",\n");
    const std::vector<std::string> lines = compileLiterals(body);
    std::vector<const char*> array;
    for (auto& l : lines) array.push_back(l.c_str());
    array.push_back(nullptr);
    StringsIO in(&holder);
    in.attach(array.data());
    EXPECT_EQ(load(in), 0) << in.diagnostic();
    ASSERT_EQ(holder.children.size(), 1u);
    EXPECT_EQ(test::writtenBlock(*holder.children[0]), test::writtenBlock(original));
}

}  // namespace fw
