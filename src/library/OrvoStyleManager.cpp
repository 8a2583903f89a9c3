#include "library/OrvoStyleManager.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "library/MemberCopy.h"
#include "persistence/AFileIO.h"
#include "persistence/FieldTable.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/MemberFactory.h"
#include "scene/SceneMember.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

std::string folded(const std::string& name) {
    std::string f = name;
    for (char& c : f) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return f;
}

// The file name an older version gave every preset: its name with path separators
// and control bytes as "_". Two names could share one, so it is read but never written.
std::string legacyFileName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (out == "." || out == "..") out = "_" + out;
    return out;
}

constexpr size_t kHashDigits = 16;
constexpr size_t kKeptOfLongName = 180;

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Whether the name can be its own file name: nothing a file system refuses or folds,
// within the length, and not of the form the other names' files take.
bool plainFileName(const std::string& name) {
    if (name.empty() || name.size() > OrvoStyleManager::kMaxName || name == "." || name == ".." || name[0] == '|')
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    if (name.size() > kHashDigits && name[name.size() - kHashDigits - 1] == '~' &&
        std::all_of(name.end() - static_cast<long>(kHashDigits), name.end(), isHex))
        return false;
    return true;
}

// A preset's name as a file name. Names that cannot be one keep a safe part of
// themselves and a hash of the whole name, so that no two presets share a file and
// no file differs from another only by letter case.
std::string fileName(const std::string& name) {
    if (plainFileName(name)) return name;
    std::string out = name;
    for (char& c : out)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
    if (!out.empty() && out[0] == '.') out[0] = '_';
    if (out.size() > kKeptOfLongName) {
        size_t keep = kKeptOfLongName;
        while (keep > 0 && (static_cast<unsigned char>(out[keep]) & 0xC0) == 0x80) --keep;  // whole characters
        out.resize(keep);
    }
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char digits[kHashDigits + 2];
    std::snprintf(digits, sizeof digits, "~%016llx", static_cast<unsigned long long>(hash));
    return out + digits;
}

// The index holds a name per line; a name that a line cannot hold is listed by its file.
bool indexedByFile(const std::string& name) {
    return name.empty() || name[0] == '|' || name.find_first_of("\r\n") != std::string::npos;
}

// Whether a file name is one a write left behind under a temporary name: the target's
// name, a dot and six letters or digits.
bool isTemporaryOf(const std::string& file, const std::string& target) {
    return file.size() == target.size() + 7 && file.compare(0, target.size(), target) == 0 &&
           file[target.size()] == '.' &&
           std::all_of(file.end() - 6, file.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

}  // namespace

// The manager's one keyword: a library scene or a preset of its kind.
struct OrvoStyleManagerLines {
    static int begin(CommandIO& io, CommandEnabler& r) {
        auto& manager = receiverAs<OrvoStyleManager>(r);
        char className[CommandIO::kTokenSize];
        if (io.readToken(className, sizeof className) != 0) return -1;
        if (std::strcmp(className, "SceneX") == 0) {
            if (!manager.kind_.libraryScene) return -1;
            manager.libraryScenes_.push_back(std::make_unique<SceneX>());
            io.push(manager.libraryScenes_.back().get());
            return 0;
        }
        if (std::strcmp(className, manager.kind_.presetClass) != 0) return -1;
        std::unique_ptr<OrvoStyle> preset = manager.createPreset();
        preset->setOwner(manager.libraryScenes_.empty() ? nullptr : manager.libraryScenes_.back().get());
        manager.prepare(*preset);
        io.push(preset.get());
        manager.presets_.push_back(std::move(preset));
        return 0;
    }
};

namespace {

// Read only: the library file is written by writeLibrary, scene first, presets after.
constexpr FieldTable::Line kOrvoStyleManagerLines[] = {
    {"begin", OrvoStyleManagerLines::begin},
};
constexpr FieldTable kOrvoStyleManagerTable{kOrvoStyleManagerLines};

}  // namespace

OrvoStyleManager::OrvoStyleManager(const Kind& kind) : kind_(kind) { kOrvoStyleManagerTable.registerInto(*this); }

OrvoStyleManager::~OrvoStyleManager() {
    // Presets may name the library scene as their owner.
    presets_.clear();
    libraryScenes_.clear();
}

CommandTable& OrvoStyleManager::commandTable() {
    static CommandTable table;
    return table;
}

OrvoStyle* OrvoStyleManager::find(const std::string& name) const {
    for (const auto& p : presets_)
        if (p->name() == name) return p.get();
    return nullptr;
}

std::vector<std::string> OrvoStyleManager::names() const {
    std::vector<std::string> out;
    for (const auto& p : presets_) out.push_back(p->name());
    return out;
}

bool OrvoStyleManager::isNameTaken(const std::string& name, const OrvoStyle* except) const {
    std::string f = folded(name);
    for (const auto& p : presets_)
        if (p.get() != except && folded(p->name()) == f) return true;
    return false;
}

void OrvoStyleManager::prepare(OrvoStyle& preset) {
    preset.setRenderHook(renderHook_);
    preset.setTextOnly(textOnly_);
}

OrvoStyle& OrvoStyleManager::add(std::unique_ptr<OrvoStyle> preset) {
    std::string name = preset->name();
    if (isNameTaken(name, preset.get())) {
        SceneX::uniqueName(name, [&](const std::string& n) { return isNameTaken(n, preset.get()); });
        preset->rename(name);
    }
    prepare(*preset);
    presets_.push_back(std::move(preset));
    return *presets_.back();
}

OrvoStyle* OrvoStyleManager::addNew(const std::string& wanted) {
    std::unique_ptr<OrvoStyle> preset = createPreset();
    std::string name = wanted;
    if (name.empty() && kind_.newName) name = kind_.newName;
    if (name.empty()) {
        const MemberFactory::Entry* entry =
            preset->itemClass() ? MemberFactory::instance().find(preset->itemClass()) : nullptr;
        if (!entry) return nullptr;
        char made[CommandIO::kTokenSize + 16];
        std::snprintf(made, sizeof made, entry->defaultName.c_str(), MemberFactory::nextDefaultNumber());
        name = made;
    }
    if (isNameTaken(name)) SceneX::uniqueName(name, [&](const std::string& n) { return isNameTaken(n); });
    if (!preset->wrapNew(name)) return nullptr;
    return &add(std::move(preset));
}

OrvoStyle* OrvoStyleManager::addFrom(Scene& scene, SceneMember& item) {
    std::unique_ptr<OrvoStyle> preset = createPreset();
    if (!preset->wrap(scene, item)) return nullptr;
    return &add(std::move(preset));
}

bool OrvoStyleManager::remove(const std::string& name) {
    for (auto it = presets_.begin(); it != presets_.end(); ++it)
        if ((*it)->name() == name) {
            presets_.erase(it);
            return true;
        }
    return false;
}

void OrvoStyleManager::clear() {
    presets_.clear();
    libraryScenes_.clear();
}

void OrvoStyleManager::setRenderHook(OrvoStyle::RenderHook hook) {
    renderHook_ = std::move(hook);
    for (auto& p : presets_) p->setRenderHook(renderHook_);
}

void OrvoStyleManager::setTextOnly(bool on) {
    textOnly_ = on;
    for (auto& p : presets_) p->setTextOnly(on);
}

bool OrvoStyleManager::writeLibrary(const std::string& path, std::string& error) {
    AFileIO io(this);
    if (io.openOutput(path) != 0) {
        error = io.error();
        return false;
    }
    if (kind_.libraryScene) {
        // A fresh scene gathers every preset's item; it lives only for the write.
        SceneX library;
        library.setName(kind_.libraryScene);
        for (const auto& p : presets_)
            if (SceneMember* item = p->hasContent() ? p->item() : nullptr) MemberCopy::copy(*item, library);
        library.postLoad();
        library.setWriteAll(true);
        if (io.writeBlock(library) != 0) {
            error = "the library scene could not be written";
            return false;
        }
    }
    for (const auto& p : presets_) {
        if (!p->hasContent()) continue;
        if (io.writeBlock(*p) != 0) {
            error = "the preset \"" + p->name() + "\" could not be written";
            return false;
        }
    }
    if (io.closeOutput() != 0) {
        error = io.error();
        return false;
    }
    return true;
}

OrvoStyleManager::Load OrvoStyleManager::readLibrary(const std::string& path) {
    Load load;
    AFileIO io(this);
    if (io.openInput(path) != 0) {
        load.error = io.error();
        return load;
    }
    size_t before = presets_.size();
    StreamRead read = io.readAll();
    load.warnings = read.warnings;
    load.error = read.error;
    for (auto& scene : libraryScenes_) scene->postLoad();
    // Presets whose blocks gave no item have nothing to show or write.
    for (size_t i = presets_.size(); i-- > before;)
        if (!presets_[i]->hasContent()) presets_.erase(presets_.begin() + static_cast<long>(i));
    load.presets = static_cast<int>(presets_.size() - before);
    load.ok = read.ok();
    return load;
}

OrvoStyleManager::Load OrvoStyleManager::import(const std::string& path, ImportConflicts& conflicts) {
    OrvoStyleManager incoming(kind_);
    Load load = incoming.readLibrary(path);
    load.presets = 0;
    load.found = static_cast<int>(incoming.presets_.size());
    for (auto& preset : incoming.presets_) {
        preset->setOwner(nullptr);  // the incoming library scene goes with `incoming`
        std::string name = preset->name();
        OrvoStyle* old = nullptr;
        for (auto& p : presets_)
            if (folded(p->name()) == folded(name)) old = p.get();
        if (old) {
            ImportConflicts::Answer answer = conflicts.resolve(name);
            if (answer == ImportConflicts::kIgnore) continue;
            if (answer == ImportConflicts::kReplace) {
                for (auto& p : presets_)
                    if (p.get() == old) {
                        p = std::move(preset);
                        prepare(*p);
                        break;
                    }
                ++load.presets;
                continue;
            }
        }
        add(std::move(preset));
        ++load.presets;
    }
    return load;
}

std::string OrvoStyleManager::swatchFolder(const std::string& libraries) const {
    return libraries + "/" + kSwatchRoot + "/" + kind_.swatchFolder;
}

std::string OrvoStyleManager::indexPath(const std::string& libraries) const {
    return swatchFolder(libraries) + "/_" + kind_.swatchFolder + ".idx";
}

std::string OrvoStyleManager::swatchPath(const std::string& libraries, const std::string& name) const {
    return swatchFolder(libraries) + "/" + fileName(name) + kind_.extension;
}

bool OrvoStyleManager::writePresetFile(OrvoStyle& preset, const std::string& path) {
    AFileIO io(this);
    if (io.openOutput(path) != 0) return false;
    if (io.writeBlock(preset) != 0) return false;
    return io.closeOutput() == 0;
}

bool OrvoStyleManager::writeIndex(const std::string& libraries) {
    AFile file;
    if (!file.openWrite(indexPath(libraries))) return false;
    for (const auto& p : presets_) {
        std::string line = (indexedByFile(p->name()) ? "|" + fileName(p->name()) : p->name()) + "\n";
        if (!file.write(line.data(), line.size())) return false;
    }
    return file.close();
}

bool OrvoStyleManager::saveSwatches(const std::string& libraries, const OrvoStyle* one) {
    std::vector<OrvoStyle*> changed;
    std::set<std::string> kept, names;
    for (const auto& p : presets_) {
        kept.insert(swatchPath(libraries, p->name()));
        names.insert(folded(p->name()));
        if ((!one || p.get() == one) && p->hasContent()) changed.push_back(p.get());
    }
    // A preset replaced by one whose name differs only in letter case leaves its old
    // file listed: it goes in the same step. Other files the list lacks (one that
    // could not be read, say) are left alone.
    std::vector<std::string> dropped;
    for (const Listed& entry : readIndex(libraries))
        if (!kept.count(entry.path) && names.count(folded(entry.label))) dropped.push_back(entry.path);
    std::string error;
    return commitSwatches(libraries, changed, dropped, error);
}

std::vector<OrvoStyleManager::Listed> OrvoStyleManager::readIndex(const std::string& libraries) const {
    std::vector<Listed> entries;
    std::ifstream index(indexPath(libraries), std::ios::binary);
    std::string line;
    while (std::getline(index, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '|' && line.size() > 1 && line.find('/') == std::string::npos)
            entries.push_back({line.substr(1), swatchFolder(libraries) + "/" + line.substr(1) + kind_.extension});
        else
            entries.push_back({line, swatchPath(libraries, line)});
    }
    return entries;
}

void OrvoStyleManager::take(OrvoStyleManager& from, const std::string& libraries, const std::string& source,
                            const std::set<std::string>& read, std::vector<Taken>& taken) {
    for (auto& preset : from.presets_) {
        preset->setOwner(nullptr);
        std::string name = preset->name();
        auto held = [&](const std::string& n) {
            if (isNameTaken(n, preset.get()) || holdsFileOf(n, preset.get())) return true;
            std::string path = swatchPath(libraries, n);
            return path != source && !read.count(path) && std::filesystem::exists(path);
        };
        bool renamed = held(name);
        if (renamed) {
            SceneX::uniqueName(name, held);
            preset->rename(name);
        }
        prepare(*preset);
        presets_.push_back(std::move(preset));
        taken.push_back({presets_.back().get(), source, renamed});
    }
    from.presets_.clear();
}

bool OrvoStyleManager::settleTaken(const std::string& libraries, const std::vector<Taken>& taken) {
    std::vector<OrvoStyle*> changed;
    for (const Taken& t : taken)
        if (t.renamed || swatchPath(libraries, t.preset->name()) != t.source) changed.push_back(t.preset);
    std::string error;
    if (!commitSwatches(libraries, changed, {}, error)) return false;
    // Only now that every preset has its own file may the copies they came from go.
    std::set<std::string> kept;
    for (const auto& p : presets_) kept.insert(swatchPath(libraries, p->name()));
    for (const Taken& t : taken)
        if (!kept.count(t.source)) std::remove(t.source.c_str());
    return true;
}

int OrvoStyleManager::loadSwatches(const std::string& libraries) {
    settleSwatchFolder(libraries);
    std::vector<Listed> entries = readIndex(libraries);
    std::error_code failed;
    // A file an older version named by its name with "_" for what a file name cannot
    // hold is read where it lies, and written under its own name below.
    for (Listed& entry : entries)
        if (!std::filesystem::exists(entry.path, failed)) {
            std::string legacy = swatchFolder(libraries) + "/" + legacyFileName(entry.label) + kind_.extension;
            if (legacy != entry.path && std::filesystem::exists(legacy, failed)) entry.path = legacy;
        }
    std::set<std::string> listed;
    for (const Listed& entry : entries) listed.insert(entry.path);
    std::vector<Taken> taken;
    std::vector<std::string> gone;
    for (const Listed& entry : entries) {
        OrvoStyleManager one(kind_);
        Load load = one.readLibrary(entry.path);
        if (!load.ok || load.presets == 0) {
            if (std::filesystem::exists(entry.path, failed))
                alertUnloadable(entry.label);
            else
                gone.push_back(entry.label);
        }
        take(one, libraries, entry.path, listed, taken);
    }
    // A listed file that is gone, with nothing else changed, is what a write cut short
    // leaves: it is forgotten without a word. Beside files the index does not list,
    // it may have been renamed by hand, and the user is told.
    if (!gone.empty() && !unlistedFiles(libraries, listed).empty())
        for (const std::string& label : gone) alertUnloadable(label);
    bool moved = !gone.empty();
    for (const Taken& t : taken)
        moved = moved || t.renamed || swatchPath(libraries, t.preset->name()) != t.source;
    // A file that is gone is forgotten once; a preset under another name than its file's
    // gets a file of its own, or the index would name a file that is not there.
    if (moved) settleTaken(libraries, taken);
    return static_cast<int>(taken.size());
}

void OrvoStyleManager::alertUnloadable(const std::string& label) const {
    char text[CommandIO::kTokenSize + 64];
    std::snprintf(text, sizeof text, kind_.unableToLoad, label.c_str());
    Dialogs::instance().alert(text);
}

std::vector<std::string> OrvoStyleManager::unlistedFiles(const std::string& libraries,
                                                         const std::set<std::string>& listed) const {
    std::error_code failed;
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(swatchFolder(libraries), failed)) {
        if (!entry.is_regular_file(failed) || entry.path().extension() != kind_.extension) continue;
        std::string path = swatchFolder(libraries) + "/" + entry.path().filename().string();
        if (!listed.count(path)) found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

int OrvoStyleManager::addUnlistedSwatches(const std::string& libraries) {
    std::set<std::string> read;
    for (const Listed& entry : readIndex(libraries)) read.insert(entry.path);
    std::vector<std::string> found = unlistedFiles(libraries, read);
    read.insert(found.begin(), found.end());
    std::vector<Taken> taken;
    for (const std::string& path : found) {
        OrvoStyleManager one(kind_);
        one.readLibrary(path);
        take(one, libraries, path, read, taken);
    }
    if (taken.empty()) return 0;
    // Kept in memory either way; a folder that cannot be written finds them again.
    settleTaken(libraries, taken);
    return static_cast<int>(taken.size());
}

namespace {
constexpr const char* kPending = ".pending";
constexpr const char* kRemoved = ".removed";
}  // namespace

bool OrvoStyleManager::commitSwatches(const std::string& libraries, const std::vector<OrvoStyle*>& changed,
                                      const std::vector<std::string>& dropped, std::string& error) {
    if (!Folders::ensureFolder(swatchFolder(libraries))) {
        error = swatchFolder(libraries) + ": cannot be made";
        return false;
    }
    std::vector<std::string> written, aside;
    auto undo = [&] {
        for (const std::string& path : written) std::remove((path + kPending).c_str());
        for (const std::string& path : aside) std::rename((path + kRemoved).c_str(), path.c_str());
    };
    for (OrvoStyle* preset : changed) {
        std::string path = swatchPath(libraries, preset->name());
        if (!writePresetFile(*preset, path + kPending)) {
            error = path + ": cannot be written";
            undo();
            return false;
        }
        written.push_back(path);
    }
    std::error_code failed;
    for (const std::string& path : dropped) {
        // A file written anew in its place needs no setting aside.
        if (std::find(written.begin(), written.end(), path) != written.end() || !std::filesystem::exists(path, failed))
            continue;
        if (std::rename(path.c_str(), (path + kRemoved).c_str()) != 0) {
            error = path + ": cannot be removed";
            undo();
            return false;
        }
        aside.push_back(path);
    }
    // The index going into place is the step that counts.
    if (!writeIndex(libraries)) {
        error = indexPath(libraries) + ": cannot be written";
        undo();
        return false;
    }
    for (const std::string& path : written) std::rename((path + kPending).c_str(), path.c_str());
    for (const std::string& path : aside) std::remove((path + kRemoved).c_str());
    return true;
}

void OrvoStyleManager::settleSwatchFolder(const std::string& libraries) {
    std::set<std::string> listed;
    for (const Listed& entry : readIndex(libraries)) listed.insert(entry.path);
    std::error_code failed;
    std::vector<std::filesystem::path> left;
    const std::string index = std::filesystem::path(indexPath(libraries)).filename().string();
    const std::string extension = kind_.extension;
    for (const auto& entry : std::filesystem::directory_iterator(swatchFolder(libraries), failed)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() == kPending || entry.path().extension() == kRemoved) {
            left.push_back(entry.path());
            continue;
        }
        // A write killed before its rename leaves its temporary file: never a preset's.
        std::string target = file.size() > 7 ? file.substr(0, file.size() - 7) : "";
        auto endsWith = [&](const std::string& tail) {
            return target.size() > tail.size() && target.compare(target.size() - tail.size(), tail.size(), tail) == 0;
        };
        if (isTemporaryOf(file, target) && (target == index || endsWith(extension) || endsWith(extension + kPending)))
            std::filesystem::remove(entry.path(), failed);
    }
    for (const auto& path : left) {
        std::filesystem::path stem = path;
        stem.replace_extension();
        if (stem.extension() != kind_.extension) continue;
        std::string place = swatchFolder(libraries) + "/" + stem.filename().string();
        // The index says how the step ended: a listed preset's new file goes into place
        // and its old one comes back; an unlisted one's are dropped.
        bool keep = listed.count(place) && (path.extension() == kPending || !std::filesystem::exists(place, failed));
        if (keep)
            std::filesystem::rename(path, place, failed);
        else
            std::filesystem::remove(path, failed);
    }
}

std::string OrvoStyleManager::badName(const std::string& name) {
    if (name.empty()) return "a preset needs a name";
    if (name.size() > kMaxName) return "is longer than " + std::to_string(kMaxName) + " bytes";
    if (name[0] == '|') return "a name beginning with \"|\" is kept for the program's own members";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return "a name cannot hold control characters";
    return "";
}

const OrvoStyle* OrvoStyleManager::holding(const std::string& name) const {
    for (const auto& p : presets_)
        if (folded(p->name()) == folded(name)) return p.get();
    return holdsFileOf(name, nullptr);
}

std::string OrvoStyleManager::nameProblem(const std::string& name, const OrvoStyle* except) const {
    if (std::string bad = badName(name); !bad.empty()) return bad;
    for (const auto& p : presets_)
        if (p.get() != except && folded(p->name()) == folded(name))
            return "the library holds \"" + p->name() + "\" already";
    if (const OrvoStyle* other = holdsFileOf(name, except))
        return "its file would be that of \"" + other->name() + "\"";
    return "";
}

const OrvoStyle* OrvoStyleManager::holdsFileOf(const std::string& name, const OrvoStyle* except) const {
    for (const auto& p : presets_)
        if (p.get() != except && fileName(p->name()) == fileName(name)) return p.get();
    return nullptr;
}

OrvoStyle* OrvoStyleManager::addSwatch(const std::string& libraries, std::unique_ptr<OrvoStyle> preset, bool replace,
                                       std::string& error) {
    const std::string name = preset->name();
    auto old = presets_.end();
    for (auto it = presets_.begin(); it != presets_.end(); ++it)
        if (folded((*it)->name()) == folded(name) || fileName((*it)->name()) == fileName(name)) old = it;
    if (old != presets_.end() && !replace) {
        error = "the library holds \"" + (*old)->name() + "\" already";
        return nullptr;
    }
    prepare(*preset);
    OrvoStyle* added = preset.get();
    std::unique_ptr<OrvoStyle> replaced;
    std::vector<std::string> dropped;
    if (old != presets_.end()) {
        dropped.push_back(swatchPath(libraries, (*old)->name()));
        replaced = std::move(*old);
        *old = std::move(preset);
    } else {
        presets_.push_back(std::move(preset));
    }
    if (commitSwatches(libraries, {added}, dropped, error)) return added;
    if (replaced)
        *old = std::move(replaced);
    else
        presets_.pop_back();
    return nullptr;
}

bool OrvoStyleManager::removeSwatch(const std::string& libraries, const std::string& name, std::string& error) {
    auto it = std::find_if(presets_.begin(), presets_.end(), [&](const auto& p) { return p->name() == name; });
    if (it == presets_.end()) {
        error = "no such preset";
        return false;
    }
    long at = it - presets_.begin();
    std::unique_ptr<OrvoStyle> gone = std::move(*it);
    presets_.erase(it);
    if (commitSwatches(libraries, {}, {swatchPath(libraries, name)}, error)) return true;
    presets_.insert(presets_.begin() + at, std::move(gone));
    return false;
}

bool OrvoStyleManager::renameSwatch(const std::string& libraries, const std::string& from, const std::string& to,
                                    std::string& error) {
    OrvoStyle* preset = find(from);
    if (!preset) {
        error = "no such preset";
        return false;
    }
    error = nameProblem(to, preset);
    if (!error.empty()) return false;
    if (!preset->rename(to) || preset->name() != to) {
        preset->rename(from);
        error = "cannot name a preset";
        return false;
    }
    std::string oldPath = swatchPath(libraries, from);
    if (commitSwatches(libraries, {preset}, {oldPath}, error)) return true;
    preset->rename(from);
    return false;
}

std::string OrvoStyleManager::newSwatchesNotice(const std::vector<const OrvoStyleManager*>& managers,
                                                const std::vector<int>& counts) {
    std::string text;
    for (size_t i = 0; i < managers.size() && i < counts.size(); ++i) {
        if (counts[i] <= 0) continue;
        char line[128];
        std::snprintf(line, sizeof line, managers[i]->kind().foundLine, "   ", counts[i]);
        text += line;
    }
    return text.empty() ? text : "\rNew swatches have been found and added:\r" + text;
}

}  // namespace fw
