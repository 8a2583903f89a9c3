#pragma once
// A folder of gradient presets with its index file: preset files (".kgp") or the
// user's gradient list (".kgr"), each holding one gradient unit. The index names
// the entries in order, one per line; entries are read from disk when first used.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "surface/GradientUnit.h"

namespace fw {

class GradientLibrary {
public:
    enum Kind { kPresets, kGradientList };

    static constexpr const char* kFolderName = "Gradientforge Presets";
    static constexpr const char* kVersionText = "Gradientforge Version 1.0";
    // The name an entry's unit carries until its file has been read.
    static constexpr const char* kNotLoaded = "__notloaded";
    static constexpr const char* kVersionError =
        "\rFile version error. This file may have been created with a newer version of the software.";
    static constexpr const char* kSavePresetError = "\rError while saving preset. Try a different name.";
    static constexpr const char* kSaveIndexError = "\rError while saving index file.";

    GradientLibrary(Kind kind, std::string folder);

    const char* extension() const { return kind_ == kPresets ? ".kgp" : ".kgr"; }
    const char* indexName() const {
        return kind_ == kPresets ? "Gradientforge Gradient Presets.idx" : "Gradient List.idx";
    }
    std::string indexPath() const;
    std::string presetPath(const std::string& name) const;

    // Reads the index; a folder without one is an empty library. False (with the
    // reason in `message`) when the index exists but cannot be read.
    bool load(std::string& message);
    int count() const { return static_cast<int>(entries_.size()); }
    const std::string& entryName(int i) const { return entries_[i].name; }
    int find(const std::string& name) const;
    bool isLoaded(int i) const;
    // The entry's unit, read from its file on first use; null, with the message to
    // show, when the file cannot be read or is of another version.
    GradientUnit* unit(int i, std::string& message);

    // Writes the preset file and, for a new name, the index; the entry is added or
    // replaced only when both succeed. On failure `message` holds the alert.
    bool save(const std::string& name, const GradientUnit& unit, std::string& message);
    // Takes the entry out of the index and deletes its file.
    bool remove(int i, std::string& message);

    // One preset file: the version line, then the unit's block.
    static bool readPreset(const std::string& path, GradientUnit& unit, std::string& message);
    static bool writePreset(const std::string& path, const GradientUnit& unit);

    // Index files: names one per line. Lines that cannot name a preset file in the
    // folder (empty, a path, a reserved or repeated name) are skipped.
    static std::vector<std::string> parseIndex(std::string_view bytes);
    static std::string formatIndex(const std::vector<std::string>& names);
    static bool validName(std::string_view name);

private:
    struct Entry {
        std::string name;
        std::unique_ptr<GradientUnit> unit;  // named kNotLoaded until read
    };

    bool writeIndex(const std::vector<std::string>& names);

    Kind kind_;
    std::string folder_;
    std::vector<Entry> entries_;
};

}  // namespace fw
