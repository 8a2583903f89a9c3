#pragma once
// Reads ElectricImage FACT files (the layout FactWriter.cpp describes): one group per
// GRUP form, named from its NAME chunk or else "FACT group%d" with the form's place
// among the file's groups (from 1); geometry outside any group goes to "FACT default".
// A group's GINF counts say how many vertices and facets it holds; a file whose tables
// fall short of them, or whose chunks run past their ends, is refused.

#include <cstdint>
#include <string_view>

#include "output/ImportGroup.h"

namespace fw {

class FactReader : public MeshReader {
public:
    // More groups than this are refused one by one, each with a warning: no title
    // has that many objects, and each group becomes an object of its own.
    static constexpr int kMaxGroups = 4096;

    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;

private:
    struct Pieces;
    // A new group at the end of `groups`, or null (with the warning) past kMaxGroups.
    ImportGroup* newGroup(std::vector<ImportGroup>& groups, const std::string& name);
    void build(const Pieces& pieces, ImportGroup& group);
    std::string readGroup(std::string_view body, size_t offset, const std::string& number, Pieces& pieces);
    std::string readHeader(std::string_view body, size_t offset, uint32_t counts[3], bool& headed);
    void checkFileCounts(const uint32_t counts[3], const std::vector<Pieces>& found);
};

}  // namespace fw
