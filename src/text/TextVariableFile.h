#pragma once
// The values a title's variables take, batch by batch: a table saved by a spreadsheet
// as comma-separated (or semicolon-separated, as spreadsheets with a decimal comma
// write it) or tab-separated text. The first row names the columns; every later row
// is one batch, its n-th field the value of variable n.

#include <string>
#include <vector>

namespace fw {

class TextVariableFile {
public:
    // Reads and parses `path`; false with `error` ("line 7: ...") when the file cannot
    // be read or is not such a table. The separator comes from the extension (".csv"
    // comma or semicolon, ".tsv"/".tab" tab) or, for any other name, the header row.
    bool read(const std::string& path, std::string& error);
    // The same over bytes in memory; `separator` 0 judges it from the header row.
    bool parse(const std::string& bytes, char separator, std::string& error);

    // The values of row `batch` (1-based), as the text's characters: a line break in
    // a value (LF, CR LF or CR) is one return.
    std::vector<std::u16string> values(int batch) const;

    std::vector<std::string> columns;            // the header row, UTF-8
    std::vector<std::vector<std::string>> rows;  // one per batch, UTF-8, padded to the columns
    char separator = ',';
};

}  // namespace fw
