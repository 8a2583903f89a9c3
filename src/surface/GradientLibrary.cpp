#include "surface/GradientLibrary.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_set>

#include "persistence/AFile.h"
#include "persistence/AFileIO.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

// The top level of a preset file: the version line, then one gradient unit.
class PresetFile : public CommandEnabler {
public:
    explicit PresetFile(GradientUnit& unit);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "GradientPreset"; }

    GradientUnit& unit;
    bool versionSeen = false;
    bool versionWrong = false;
    bool unitSeen = false;
};

// The version comes first; anything else first means another kind of file.
int readVersion(CommandIO& io, CommandEnabler& r) {
    auto& self = receiverAs<PresetFile>(r);
    std::string text;
    if (io.readString(text) != 0 || self.versionSeen || text != GradientLibrary::kVersionText) {
        self.versionWrong = true;
        return -1;
    }
    self.versionSeen = true;
    return 0;
}

int writeVersion(CommandIO& io, CommandEnabler&, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, GradientLibrary::kVersionText);
}

int beginUnit(CommandIO& io, CommandEnabler& r) {
    auto& self = receiverAs<PresetFile>(r);
    char name[CommandIO::kTokenSize];
    if (!self.versionSeen) {
        self.versionWrong = true;
        return -1;
    }
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "GradientUnit") != 0 || self.unitSeen) return -1;
    self.unitSeen = true;
    io.push(&self.unit);
    return 0;
}

int writeUnit(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return io.writeBlock(receiverAs<PresetFile>(r).unit);
}

constexpr FieldTable::Line kPresetLines[] = {
    {"Version", readVersion, writeVersion},
    {"begin", beginUnit, writeUnit},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kPresetTable{kPresetLines};

PresetFile::PresetFile(GradientUnit& unit) : unit(unit) { kPresetTable.registerInto(*this); }

int PresetFile::writeCommands(CommandIO& io) { return kPresetTable.write(io, *this); }

}  // namespace

GradientLibrary::GradientLibrary(Kind kind, std::string folder) : kind_(kind), folder_(std::move(folder)) {}

std::string GradientLibrary::indexPath() const { return (fs::path(folder_) / indexName()).string(); }

std::string GradientLibrary::presetPath(const std::string& name) const {
    return (fs::path(folder_) / (name + extension())).string();
}

bool GradientLibrary::validName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    if (name.substr(0, 2) == "__") return false;  // reserved for the program's markers
    for (char c : name)
        if (c == '/' || c == '\\' || c == '\n' || c == '\r' || c == '\0') return false;
    return true;
}

std::vector<std::string> GradientLibrary::parseIndex(std::string_view bytes) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!validName(line)) continue;
        std::string name(line);
        if (seen.insert(name).second) names.push_back(std::move(name));
    }
    return names;
}

std::string GradientLibrary::formatIndex(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += n + "\n";
    return out;
}

bool GradientLibrary::load(std::string& message) {
    std::error_code ec;
    if (!fs::exists(indexPath(), ec)) {
        entries_.clear();
        return true;
    }
    std::ifstream in(indexPath(), std::ios::binary);
    if (!in) {
        message = indexPath() + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    entries_.clear();
    for (std::string& name : parseIndex(bytes))
        entries_.push_back({std::move(name), std::make_unique<GradientUnit>(kNotLoaded)});
    return true;
}

int GradientLibrary::find(const std::string& name) const {
    for (int i = 0; i < count(); ++i)
        if (entries_[i].name == name) return i;
    return -1;
}

bool GradientLibrary::isLoaded(int i) const { return entries_[i].unit->name != kNotLoaded; }

GradientUnit* GradientLibrary::unit(int i, std::string& message) {
    if (i < 0 || i >= count()) return nullptr;
    Entry& e = entries_[i];
    if (isLoaded(i)) return e.unit.get();
    GradientUnit loaded;
    if (!readPreset(presetPath(e.name), loaded, message)) return nullptr;
    // A unit stored under the marker name would look unread for ever.
    if (loaded.name == kNotLoaded) loaded.name = e.name;
    *e.unit = loaded;
    return e.unit.get();
}

bool GradientLibrary::readPreset(const std::string& path, GradientUnit& unit, std::string& message) {
    GradientUnit read;
    PresetFile root(read);
    AFileIO io(&root);
    if (io.openInput(path) != 0) {
        message = path + ": " + io.error();
        return false;
    }
    StreamRead stream = io.readAll();
    if (root.versionWrong) {
        message = kVersionError;
        return false;
    }
    if (!stream.ok()) {
        message = path + ": " + stream.error;
        return false;
    }
    if (!root.unitSeen) {
        message = path + ": the file holds no gradient";
        return false;
    }
    unit = read;
    return true;
}

bool GradientLibrary::writePreset(const std::string& path, const GradientUnit& unit) {
    GradientUnit copy(unit);
    PresetFile root(copy);
    AFileIO io(&root);
    if (io.openOutput(path) != 0) return false;
    if (root.writeCommands(io) != 0) return false;
    return io.closeOutput() == 0;
}

bool GradientLibrary::writeIndex(const std::vector<std::string>& names) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    AFile file;
    std::string bytes = formatIndex(names);
    return file.openWrite(indexPath()) && file.write(bytes.data(), bytes.size()) && file.close();
}

bool GradientLibrary::save(const std::string& name, const GradientUnit& unit, std::string& message) {
    GradientUnit stored(unit);
    if (stored.name == kNotLoaded) stored.name = name;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (!validName(name) || !writePreset(presetPath(name), stored)) {
        message = kSavePresetError;
        return false;
    }
    int at = find(name);
    if (at >= 0) {
        *entries_[at].unit = stored;
        return true;
    }
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.name);
    names.push_back(name);
    if (!writeIndex(names)) {
        // Left behind, the new file would be an entry that no index lists.
        fs::remove(presetPath(name), ec);
        message = kSaveIndexError;
        return false;
    }
    entries_.push_back({name, std::make_unique<GradientUnit>(stored)});
    return true;
}

bool GradientLibrary::remove(int i, std::string& message) {
    if (i < 0 || i >= count()) return false;
    std::vector<std::string> names;
    for (int k = 0; k < count(); ++k)
        if (k != i) names.push_back(entries_[k].name);
    if (!writeIndex(names)) {
        message = kSaveIndexError;
        return false;
    }
    std::error_code ec;
    fs::remove(presetPath(entries_[i].name), ec);
    entries_.erase(entries_.begin() + i);
    return true;
}

}  // namespace fw
