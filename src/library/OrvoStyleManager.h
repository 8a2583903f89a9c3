#pragma once
// One style library: its presets in order, the library scene that holds their items
// while a library file is loaded, library files, the swatch folder and imports.
// The four libraries differ only in the table of names their kind gives.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "library/ImportConflicts.h"
#include "library/OrvoStyle.h"
#include "persistence/CommandEnabler.h"

namespace fw {

class SceneX;

class OrvoStyleManager : public CommandEnabler {
public:
    struct Kind {
        const char* presetClass;     // "OrvoMaterialStyle"
        const char* libraryScene;    // "MaterialLib"; null: the library has no scene
        const char* extension;       // ".kxm"
        const char* swatchFolder;    // "Material Swatches"
        const char* unableToLoad;    // "\rUnable to load Material swatch: %s"
        const char* foundLine;       // "%s- Materials (%d)\r"
        const char* newName;         // "New Material."; null: the item class's default name
        const char* word;            // "materials", as the command line names the kind
        std::unique_ptr<OrvoStyle> (*create)();
    };
    static constexpr const char* kSwatchRoot = "Veltrane Swatches";
    // A preset's file name is its name up to this length: room is left for the
    // extension and the temporary names a file is written under, within the system's
    // 255 bytes. Longer names, and names no file can carry, get files named by a safe
    // part of the name and a hash of it.
    static constexpr size_t kMaxName = 200;

    struct Load {
        bool ok = false;     // false: the file could not be opened or a line failed
        std::string error;   // why, in the stream's words
        std::vector<std::string> warnings;
        int presets = 0;     // presets taken in
        int found = 0;       // presets the file holds, taken in or not
    };

    explicit OrvoStyleManager(const Kind& kind);
    ~OrvoStyleManager() override;

    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override;
    const char* className() const override { return "OrvoStyleManager"; }

    const Kind& kind() const { return kind_; }
    int presetCount() const { return static_cast<int>(presets_.size()); }
    OrvoStyle& preset(int index) const { return *presets_[static_cast<size_t>(index)]; }
    // The preset of that name (exactly), or null.
    OrvoStyle* find(const std::string& name) const;
    std::vector<std::string> names() const;
    // Whether a preset holds the name, letter case aside.
    bool isNameTaken(const std::string& name, const OrvoStyle* except = nullptr) const;

    // Appends a preset, renamed by the scene's rule if its name is taken.
    OrvoStyle& add(std::unique_ptr<OrvoStyle> preset);
    // A preset with a blank item; no name gives the kind's new-preset name.
    OrvoStyle* addNew(const std::string& name = "");
    // A preset wrapping a copy of a scene's item.
    OrvoStyle* addFrom(Scene& scene, SceneMember& item);
    bool remove(const std::string& name);
    void clear();

    std::unique_ptr<OrvoStyle> createPreset() const { return kind_.create(); }
    void setRenderHook(OrvoStyle::RenderHook hook);
    void setTextOnly(bool on);

    // Library files: the library scene, then each preset with content, in order.
    bool writeLibrary(const std::string& path, std::string& error);
    // Appends the file's presets; what a damaged file held up to the damage is kept.
    Load readLibrary(const std::string& path);
    // Reads a library and takes its presets in, a name already held settled by `conflicts`.
    Load import(const std::string& path, ImportConflicts& conflicts);

    // The swatch folder of this kind below the user's libraries folder.
    std::string swatchFolder(const std::string& libraries) const;
    std::string indexPath(const std::string& libraries) const;
    std::string swatchPath(const std::string& libraries, const std::string& name) const;
    // Every preset's file (or only `one`'s), then the index in list order, as one
    // commitSwatches step; a listed file of a name the list holds in another letter case
    // (a preset replaced by such a name) is dropped.
    bool saveSwatches(const std::string& libraries, const OrvoStyle* one = nullptr);
    // The presets the index lists, each from its file; files that fail are alerted, and
    // a listed file that is gone is forgotten (alerted only when preset files the index
    // does not list lie beside it, as when one was renamed by hand). A file holding a preset of another name
    // (copied or renamed by hand) is written again under the name the preset keeps.
    int loadSwatches(const std::string& libraries);
    // Preset files the index does not list, appended under names of their own (their
    // files written under those names and the index rewritten); how many.
    int addUnlistedSwatches(const std::string& libraries);

    // Changes to one preset, each written as one step (see commitSwatches): false with
    // `error` set leaves the list and the folder as they were.
    // `preset` goes in under its name; a preset of that name (letter case aside) is
    // replaced in place when `replace`, and otherwise the preset is refused.
    OrvoStyle* addSwatch(const std::string& libraries, std::unique_ptr<OrvoStyle> preset, bool replace,
                         std::string& error);
    bool removeSwatch(const std::string& libraries, const std::string& name, std::string& error);
    bool renameSwatch(const std::string& libraries, const std::string& from, const std::string& to,
                      std::string& error);
    // Why `name` cannot name a new preset (empty when it can): a name taken by another
    // preset than `except`, one whose file is another preset's, or one no file can carry.
    std::string nameProblem(const std::string& name, const OrvoStyle* except = nullptr) const;
    // Why no preset can carry `name`, whatever the library holds (empty when one can).
    static std::string badName(const std::string& name);
    // The preset that `name` would replace: the one of that name, letter case aside, or
    // the one whose file it would be written to; null when none.
    const OrvoStyle* holding(const std::string& name) const;
    // The notice after an update, or empty when no kind gained any: counts[i] for managers[i].
    static std::string newSwatchesNotice(const std::vector<const OrvoStyleManager*>& managers,
                                         const std::vector<int>& counts);

    // Brings the swatch folder to the list as one step: the files of `changed` written,
    // the `dropped` files removed and the index rewritten. New files wait beside their
    // places as ".pending" and dropped ones as ".removed" until the index is in place;
    // an error undoes them, and settleSwatchFolder finishes or undoes what a crash cut
    // short, so the folder holds the library before or after, never a mixture.
    bool commitSwatches(const std::string& libraries, const std::vector<OrvoStyle*>& changed,
                        const std::vector<std::string>& dropped, std::string& error);
    // Also removes the temporary files that writes cut short left in the folder.
    void settleSwatchFolder(const std::string& libraries);

private:
    friend struct OrvoStyleManagerLines;

    // A preset read from a swatch file, and whether it had to change its name.
    struct Taken {
        OrvoStyle* preset;
        std::string source;
        bool renamed;
    };

    // The preset other than `except` whose file `name` would be written to.
    const OrvoStyle* holdsFileOf(const std::string& name, const OrvoStyle* except) const;
    void alertUnloadable(const std::string& label) const;
    // The folder's preset files not in `listed`, sorted.
    std::vector<std::string> unlistedFiles(const std::string& libraries, const std::set<std::string>& listed) const;
    bool writePresetFile(OrvoStyle& preset, const std::string& path);
    bool writeIndex(const std::string& libraries);
    // An index line: the name it gives (or the file, for a name a line cannot hold) and
    // the file it points to.
    struct Listed {
        std::string label;
        std::string path;
    };
    std::vector<Listed> readIndex(const std::string& libraries) const;
    // Appends presets read from `source`, renamed where the name is held or its file
    // is one not read in this pass (`read`), so nothing unread is written over.
    void take(OrvoStyleManager& from, const std::string& libraries, const std::string& source,
              const std::set<std::string>& read, std::vector<Taken>& taken);
    // Writes the taken presets that carry a name other than their file's, rewrites the
    // index, and removes the files they came from that no preset keeps.
    bool settleTaken(const std::string& libraries, const std::vector<Taken>& taken);
    void prepare(OrvoStyle& preset);

    const Kind& kind_;
    std::vector<std::unique_ptr<OrvoStyle>> presets_;
    // The library scenes read; presets name the last one read before them as owner,
    // so a file with more than one keeps them all while it is loaded.
    std::vector<std::unique_ptr<SceneX>> libraryScenes_;
    OrvoStyle::RenderHook renderHook_;
    bool textOnly_ = false;
};

}  // namespace fw
