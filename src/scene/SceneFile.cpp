#include "scene/SceneFile.h"

#include <cstring>

#include "persistence/AFileIO.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"

namespace fw {

namespace {

// The writer's root: it puts the scene's lines inside one "begin SceneX" block.
class SceneFileRoot : public CommandEnabler {
public:
    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "SceneFile"; }
};

}  // namespace

SceneFile::Loaded SceneFile::load(const std::string& path) {
    Loaded loaded;
    // The scene itself is the stream's root: its commands may stand bare at the top
    // level or inside one "begin SceneX" block.
    auto scene = std::make_unique<SceneX>();
    AFileIO io(scene.get());
    if (io.openInput(path) != 0) {
        loaded.error = io.error();
        return loaded;
    }
    StreamRead read = io.readAll();
    loaded.warnings = read.warnings;
    if (!read.ok()) {
        loaded.error = read.error;
        return loaded;
    }
    if (read.commands == 0) {
        loaded.error = "holds no scene commands";
        return loaded;
    }
    if (std::string kept = StandInMember::notice(*scene); !kept.empty()) loaded.warnings.push_back(kept);
    scene->postLoad();
    loaded.scene = std::move(scene);
    return loaded;
}

bool SceneFile::save(SceneX& scene, const std::string& path, std::string& error) {
    SceneFileRoot root;
    AFileIO io(&root);
    if (io.openOutput(path) != 0) {
        error = io.error();
        return false;
    }
    scene.markMembersInUse();
    if (io.writeBlock(scene) != 0) {
        error = "the scene could not be written";
        return false;
    }
    if (io.closeOutput() != 0) {
        error = io.error();
        return false;
    }
    return true;
}

}  // namespace fw
