#include "output/ImportGroup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace fw {

int ImportGroup::partFor(const std::string& materialName, const ExportMaterial* look) {
    for (size_t i = 0; i < materials.size(); ++i)
        if (materials[i].name == materialName) return static_cast<int>(i);
    ExportMaterial added = look ? *look : ExportMaterial{};
    added.name = materialName;
    materials.push_back(added);
    return static_cast<int>(materials.size()) - 1;
}

bool MeshReader::read(const std::string& path, std::vector<ImportGroup>& groups) {
    groups.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    // A pipe would hold the open forever and a folder or device reads without end.
    if (Folders::isSpecialFile(path)) return fail("is not a regular file");
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return fail(std::string("cannot be opened: ") + std::strerror(errno));
    struct stat st;
    if (::fstat(fileno(in), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(in);
        return fail("is not a regular file");
    }
    // Read whole, in one piece: mesh files run to hundreds of megabytes.
    std::string bytes;
    char block[1 << 16];
    if (std::fseek(in, 0, SEEK_END) == 0) {
        long size = std::ftell(in);
        if (size > 0) bytes.reserve(static_cast<size_t>(size));
        std::rewind(in);
    }
    for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) bytes.append(block, n);
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) return fail("cannot be read");
    size_t slash = path.find_last_of('/');
    folder_ = slash == std::string::npos ? "." : path.substr(0, slash);
    bool ok = parse(bytes, groups);
    folder_.clear();
    return ok;
}

bool MeshReader::fail(const std::string& what) {
    error_ = what;
    return false;
}

void MeshReader::warn(const std::string& what) {
    if (++warningCount_ > 100) return;
    // One line each, whatever names from the file it quotes: their line breaks, escape
    // sequences and NULs are shown as \xNN, so a warning can neither drive the terminal
    // nor pass for a line of the program's own.
    std::string line = what;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::string shown = Dialogs::escaped(line), out;
    for (char c : shown) out += c == '\n' ? std::string("\\x0A") : std::string(1, c);
    warnings_ += out + "\n";
}

std::vector<std::string> MeshReader::warningLines() const {
    std::vector<std::string> lines;
    for (size_t at = 0; at < warnings_.size();) {
        size_t end = warnings_.find('\n', at);
        if (end == std::string::npos) end = warnings_.size();
        lines.push_back(warnings_.substr(at, end - at));
        at = end + 1;
    }
    if (warningCount_ > 100) lines.push_back(std::to_string(warningCount_ - 100) + " more warnings were left out");
    return lines;
}

std::string ImportGroup::storableName(const std::string& name, size_t limit) {
    std::string out;
    for (unsigned char c : name) {
        // Control bytes end a name early in a project; quotes close it.
        if (c < 0x20 || c == 0x7F)
            out += '_';
        else if (c == '"')
            out += '\'';
        else
            out += static_cast<char>(c);
    }
    // Bytes that are not UTF-8 become their \xNN spelling, so the cut below lands on
    // a character boundary.
    out = Dialogs::escaped(out);
    if (out.size() > limit) {
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    // A name beginning with a bar is one of the program's own (see SceneX::uniqueName),
    // and one beginning with two underscores one of its helpers, which are never saved.
    if (!out.empty() && out[0] == '|') out[0] = '_';
    while (out.rfind("__", 0) == 0) out.erase(0, 1);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string_view MeshReader::trimmedLine(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace fw
