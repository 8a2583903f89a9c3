#pragma once
// The scene: every member in one list per kind under a unique name, the root of the
// hierarchy and the timeline settings; reads and writes itself as a "SceneX" block.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/Scene.h"

namespace fw {

class RootNode;

class SceneX : public Scene {
public:
    SceneX();
    ~SceneX() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "SceneX"; }

    // The writer of style and preset files: image files, image maps, materials, text
    // blocks, styles, objects and profiles that are marked saveable.
    int writeStyleCommands(CommandIO& io);

    void clearUsedMarks() override;
    // Runs every member's post-load step (links by name are resolved).
    void postLoad();
    // A scene that is the root of a stream accepts one "begin SceneX" around its
    // content, so scene files read with or without that wrapper; -1 otherwise.
    int beginOwnBlock(CommandIO& io);
    // Clears the marks, then marks the members in use (nodes, tracks and text) and,
    // through them, everything they refer to.
    void markMembersInUse();
    NameDictionary& nameDictionary() override { return dictionary_; }
    const std::string& name() const override { return name_; }
    void setName(const std::string& name) override;
    void makeUniqueName(std::string& name) override;
    // The naming rule over any set of names: `taken` says whether a name is held.
    static void uniqueName(std::string& name, const std::function<bool(const std::string&)>& taken);
    void addMember(SceneMember* member) override;
    void removeMember(SceneMember* member) override;
    int memberCount(int kind) const override;
    SceneMember* member(int kind, int index) const override;
    bool claimName(SceneMember* member, const std::string& name) override;
    void releaseName(SceneMember* member) override;
    SceneMember* findMember(const std::string& name) override;
    bool isNameTaken(const std::string& name) const override;
    DAGNode* root() override;
    AnimGlobals& animGlobals() override { return *globals_; }

    // Change counters: edits to the scene and to its settings since it was loaded or
    // saved. They wrap from 4294967295 to 1, never to 0, which means "unchanged".
    unsigned changeCount() const { return changes_; }
    unsigned settingsChangeCount() const { return settingsChanges_; }
    void markChanged() override { changes_ = changes_ == 0xffffffffu ? 1 : changes_ + 1; }
    void markSettingsChanged() { settingsChanges_ = settingsChanges_ == 0xffffffffu ? 1 : settingsChanges_ + 1; }
    void clearChanges() { changes_ = settingsChanges_ = 0; }

    bool preferencesMode() const { return preferencesMode_; }
    void setPreferencesMode(bool on) { preferencesMode_ = on; }
    bool writeAll() const { return writeAll_; }
    void setWriteAll(bool on) { writeAll_ = on; }

private:
    static std::string folded(const std::string& name);
    int writeKinds(CommandIO& io, const int* kinds, int count, bool saveableOnly);

    std::string name_;
    NameDictionary dictionary_;
    // Held names folded to lower case, so "taken" ignores letter case at a flat cost.
    std::unordered_map<std::string, int> heldNames_;
    std::array<std::vector<SceneMember*>, kMemberKinds> lists_;
    std::unique_ptr<RootNode> root_;
    std::unique_ptr<AnimGlobals> globals_;
    bool preferencesMode_ = false;
    bool writeAll_ = false;
    bool tearingDown_ = false;
    bool ownBlockRead_ = false;
    unsigned changes_ = 0;
    unsigned settingsChanges_ = 0;
};

}  // namespace fw
