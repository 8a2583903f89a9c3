#pragma once
// The "name" table: the font's names as records of platform, language and name id,
// their text in a string storage area. Read for the listing and for the full names
// that pick a member of a collection.

#include <string>
#include <vector>

#include "font/ByteReader.h"
#include "font/ParseLog.h"

namespace fw::veltrane {

class NameTable {
public:
    // Checks the table's header and lists every name on the console.
    static bool read(const ByteReader& table, ParseLog& log);
    // Appends the full names (name id 4) in US English, or language 0 for Macintosh
    // records. Every record read, and every 64 bytes of a name, costs one of `budget`.
    static void collectFullNames(ByteReader table, long& budget, std::vector<std::string>& names);
    // Text of a name record: Macintosh strings (platform 1) byte by byte, the others
    // as two-byte characters written out as UTF-8.
    static std::string decode(ByteReader text, int platform);
};

}  // namespace fw::veltrane
