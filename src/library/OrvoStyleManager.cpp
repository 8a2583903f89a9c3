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
#include "persistence/FieldReaders.h"
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

// A preset's name as a file name: path separators and control bytes cannot be in one.
std::string fileName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (out == "." || out == "..") out = "_" + out;
    return out;
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

OrvoStyleManager::OrvoStyleManager(const Kind& kind) : kind_(kind) {
    registerCommand("begin", OrvoStyleManagerLines::begin);
}

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
    int status = 0;
    while (io.hasInput()) {
        status = io.processNextCommand();
        if (status == 0 && !io.diagnostic().empty()) load.warnings.push_back(io.diagnostic());
        if (status != 0) break;
    }
    if (status == -1) load.error = io.diagnostic();
    if (const char* open = io.finishOpenBlocks()) load.warnings.push_back(CommandIO::unfinishedBlockWarning(open));
    for (auto& scene : libraryScenes_) scene->postLoad();
    // Presets whose blocks gave no item have nothing to show or write.
    for (size_t i = presets_.size(); i-- > before;)
        if (!presets_[i]->hasContent()) presets_.erase(presets_.begin() + static_cast<long>(i));
    load.presets = static_cast<int>(presets_.size() - before);
    load.ok = status != -1;
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
        std::string line = p->name() + "\n";
        if (!file.write(line.data(), line.size())) return false;
    }
    return file.close();
}

bool OrvoStyleManager::saveSwatches(const std::string& libraries, const OrvoStyle* one) {
    if (!Folders::ensureFolder(swatchFolder(libraries))) return false;
    bool ok = writeIndex(libraries);
    for (const auto& p : presets_) {
        if ((one && p.get() != one) || !p->hasContent()) continue;
        ok = writePresetFile(*p, swatchPath(libraries, p->name())) && ok;
    }
    return ok;
}

int OrvoStyleManager::loadSwatches(const std::string& libraries) {
    std::ifstream index(indexPath(libraries), std::ios::binary);
    int loaded = 0;
    std::string name;
    while (std::getline(index, name)) {
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (name.empty()) continue;
        OrvoStyleManager one(kind_);
        Load load = one.readLibrary(swatchPath(libraries, name));
        if (!load.ok || load.presets == 0) {
            char text[CommandIO::kTokenSize + 64];
            std::snprintf(text, sizeof text, kind_.unableToLoad, name.c_str());
            Dialogs::instance().alert(text);
        }
        for (auto& preset : one.presets_) {
            preset->setOwner(nullptr);
            add(std::move(preset));
            ++loaded;
        }
    }
    return loaded;
}

int OrvoStyleManager::addUnlistedSwatches(const std::string& libraries) {
    std::set<std::string> listed;
    {
        std::ifstream index(indexPath(libraries), std::ios::binary);
        std::string name;
        while (std::getline(index, name)) {
            if (!name.empty() && name.back() == '\r') name.pop_back();
            listed.insert(fileName(name) + kind_.extension);
        }
    }
    std::error_code failed;
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(swatchFolder(libraries), failed)) {
        std::string file = entry.path().filename().string();
        if (!entry.is_regular_file(failed) || entry.path().extension() != kind_.extension) continue;
        if (!listed.count(file)) found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    int added = 0;
    for (const std::string& path : found) {
        OrvoStyleManager one(kind_);
        one.readLibrary(path);
        for (auto& preset : one.presets_) {
            preset->setOwner(nullptr);
            add(std::move(preset));
            ++added;
        }
    }
    if (added) writeIndex(libraries);
    return added;
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
