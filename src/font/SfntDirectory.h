#pragma once
// The table directory of an sfnt font file (TrueType and OpenType alike): where each
// table lies. In a collection ("ttcf") the member is chosen by its full name first.

#include <cstdint>
#include <string>
#include <vector>

#include "font/ByteReader.h"
#include "font/ParseLog.h"

namespace fw::veltrane {

class SfntDirectory {
public:
    struct TableEntry {
        char tag[5] = {};
        uint32_t offset = 0;
        uint32_t length = 0;
    };

    // Reads the directory of `file`, whose bytes must outlive this one. A collection
    // takes the member whose full name is `memberName`, or its first member when the
    // name is empty; failing that, the fallbacks of `selectCollectionMember`.
    bool read(const ByteReader& file, const std::string& memberName, ParseLog& log);

    const TableEntry* find(const char* tag) const;
    // The bytes of one table; false, with the reason logged, when it is missing or
    // lies past the end of the file.
    bool table(const char* tag, ByteReader& out, ParseLog& log) const;
    const std::vector<TableEntry>& tables() const { return tables_; }

private:
    // Without an exact match, the regular weight may carry "Medium" in its full name,
    // and a bold weight may exist only as "ExtraBold".
    bool selectCollectionMember(const std::string& wanted, uint32_t& memberOffset, ParseLog& log);
    // The full names in the "name" table of the member whose directory is at
    // `memberOffset`; false when it has none.
    bool collectFullNames(uint32_t memberOffset, std::vector<std::string>& names);

    ByteReader file_;
    std::vector<TableEntry> tables_;
    // Directory entries and name records read while searching a collection, whose
    // members may all point at one long directory or name table.
    long searchBudget_ = 0;
};

}  // namespace fw::veltrane
