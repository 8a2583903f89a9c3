#include "text/TextVariableFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fw {

namespace {

std::string lineText(int line) { return "line " + std::to_string(line) + ": "; }

// The line of the first byte that is not UTF-8, 0 when all are.
int firstBadUtf8Line(const std::string& bytes) {
    int line = 1;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') ++line;
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra == 1 && c < 0xC2) || (extra > 0 && i + static_cast<size_t>(extra) >= bytes.size()))
            return line;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return line;
        i += static_cast<size_t>(extra) + 1;
    }
    return 0;
}

// The separator the header row uses: a tab when it has one (and tabs may separate),
// else a comma, else a semicolon; a single column reads the same with any.
char judgeSeparator(const std::string& bytes, bool tabs) {
    bool quoted = false, comma = false, semicolon = false;
    for (char c : bytes) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        if (c == '\t' && tabs) return '\t';
        comma |= c == ',';
        semicolon |= c == ';';
    }
    return comma || !semicolon ? ',' : ';';
}

}  // namespace

bool TextVariableFile::read(const std::string& path, std::string& error) {
    std::error_code failed;
    if (!std::filesystem::is_regular_file(path, failed)) {
        error = std::filesystem::exists(path, failed) ? "is not a plain file" : "no such file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot be read";
        return false;
    }
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    char chosen = 0;
    if (extension == ".tsv" || extension == ".tab") chosen = '\t';
    if (extension == ".csv") chosen = judgeSeparator(bytes.substr(bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0), false);
    return parse(bytes, chosen, error);
}

bool TextVariableFile::parse(const std::string& input, char chosen, std::string& error) {
    columns.clear();
    rows.clear();
    std::string bytes = input.rfind("\xEF\xBB\xBF", 0) == 0 ? input.substr(3) : input;
    if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0) {
        error = "is UTF-16 text; save the table as CSV in UTF-8";
        return false;
    }
    if (const size_t nul = bytes.find('\0'); nul != std::string::npos) {
        error = lineText(1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(nul), '\n'))) +
                "holds a NUL byte: not a text table";
        return false;
    }
    if (int bad = firstBadUtf8Line(bytes)) {
        error = lineText(bad) + "is not UTF-8 text; save the table as CSV in UTF-8";
        return false;
    }
    separator = chosen ? chosen : judgeSeparator(bytes, true);

    // Fields as RFC 4180 has them: a quoted field may hold separators, doubled quotes
    // and line breaks; a record ends at an unquoted LF, CR LF or CR.
    std::vector<std::vector<std::string>> records;
    std::vector<int> recordLines;
    std::vector<std::string> record;
    std::string field;
    int line = 1, recordLine = 1, quoteLine = 0;
    bool quoted = false, afterQuote = false, fieldStarted = false;
    auto endField = [&] {
        record.push_back(std::move(field));
        field.clear();
        afterQuote = fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        // A line with nothing on it is no batch.
        if (!(record.size() == 1 && record[0].empty())) {
            records.push_back(std::move(record));
            recordLines.push_back(recordLine);
        }
        record.clear();
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
                continue;
            }
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                field += "\r\n";
                ++i, ++line;
                continue;
            }
            if (c == '\n' || c == '\r') ++line;
            field += c;
            continue;
        }
        if (c == separator) {
            endField();
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            endRecord();
            recordLine = ++line;
            continue;
        }
        if (afterQuote) {
            error = lineText(line) + "text after the closing quote of field " + std::to_string(record.size() + 1) +
                    " (a quote inside a quoted field is written twice)";
            return false;
        }
        if (c == '"') {
            if (fieldStarted) {
                error = lineText(line) + "a quote inside unquoted field " + std::to_string(record.size() + 1) +
                        " (quote the whole field and write the quote twice)";
                return false;
            }
            quoted = true;
            quoteLine = line;
            fieldStarted = true;
            continue;
        }
        fieldStarted = true;
        field += c;
    }
    if (quoted) {
        error = lineText(quoteLine) + "the quote that opens field " + std::to_string(record.size() + 1) +
                " is never closed";
        return false;
    }
    if (!record.empty() || !field.empty() || fieldStarted) endRecord();
    if (records.empty()) {
        error = "holds no header row naming the columns";
        return false;
    }
    columns = std::move(records.front());
    for (size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() > columns.size()) {
            error = lineText(recordLines[r]) + std::to_string(records[r].size()) + " fields, but the header names " +
                    std::to_string(columns.size()) + " columns";
            columns.clear();
            rows.clear();
            return false;
        }
        records[r].resize(columns.size());
        rows.push_back(std::move(records[r]));
    }
    return true;
}

std::vector<std::u16string> TextVariableFile::values(int batch) const {
    std::vector<std::u16string> out;
    if (batch < 1 || batch > static_cast<int>(rows.size())) return out;
    for (const std::string& value : rows[static_cast<size_t>(batch - 1)]) {
        std::u16string text;
        for (size_t i = 0; i < value.size();) {
            const unsigned char c = static_cast<unsigned char>(value[i++]);
            const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            uint32_t code = extra ? c & (0x3F >> extra) : c;
            for (int k = 0; k < extra && i < value.size(); ++k, ++i)
                code = (code << 6) | (static_cast<unsigned char>(value[i]) & 0x3F);
            if (code == '\r' && i < value.size() && value[i] == '\n') continue;  // CR LF: its LF stands for both
            if (code == '\n') code = '\r';
            // A text block holds 16-bit codes: characters beyond them are left out.
            if (code <= 0xFFFF) text += static_cast<char16_t>(code);
        }
        out.push_back(std::move(text));
    }
    return out;
}

}  // namespace fw
