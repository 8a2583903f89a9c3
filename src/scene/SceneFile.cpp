#include "scene/SceneFile.h"

#include <cstring>

#include "persistence/AFileIO.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"

namespace fw {

namespace {

// The top level of a scene file: it accepts exactly one scene block.
class SceneFileRoot : public CommandEnabler {
public:
    SceneFileRoot() {
        registerCommand("begin", beginScene);
        registerCommand("end", CommandEnabler::endCommand);
    }
    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "SceneFile"; }

    std::unique_ptr<SceneX> scene;

private:
    static int beginScene(CommandIO& io, CommandEnabler& receiver) {
        auto& root = receiverAs<SceneFileRoot>(receiver);
        char className[CommandIO::kTokenSize];
        if (io.readToken(className, sizeof className) != 0) return -1;
        if (std::strcmp(className, "SceneX") != 0 || root.scene) return -1;
        root.scene = std::make_unique<SceneX>();
        io.push(root.scene.get());
        return 0;
    }
};

}  // namespace

SceneFile::Loaded SceneFile::load(const std::string& path) {
    Loaded loaded;
    SceneFileRoot root;
    AFileIO io(&root);
    if (io.openInput(path) != 0) {
        loaded.error = io.error();
        return loaded;
    }
    int status = 0;
    while (io.hasInput()) {
        status = io.processNextCommand();
        if (status == 0 && !io.diagnostic().empty()) loaded.warnings.push_back(io.diagnostic());
        if (status != 0) break;
    }
    if (status == -1) {
        loaded.error = io.diagnostic();
        return loaded;
    }
    if (!root.scene) {
        loaded.error = "no scene in this file (it has no \"begin SceneX\" block)";
        return loaded;
    }
    if (std::string kept = StandInMember::notice(*root.scene); !kept.empty()) loaded.warnings.push_back(kept);
    root.scene->postLoad();
    loaded.scene = std::move(root.scene);
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
