#pragma once
// A member of a class the program cannot read yet (primitives, flag clusters; tracks in
// a program without the animation library): its block is kept as it came and written
// back in its place, so a project
// holding one still opens and saves without loss. The class's own reader replaces it
// by registering under the same name.

#include <string>
#include <vector>

#include "scene/KeptLines.h"
#include "scene/SceneMember.h"

namespace fw {

class SceneX;

class StandInMember : public SceneMember {
public:
    StandInMember(Scene& scene, int kind, const char* className, const char* name);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return className_.c_str(); }
    // It cannot tell a reference from other text: every member its lines name is kept.
    void markUsed() override;

    // Takes the block's lines after its "begin" line and the name they give.
    int readBlock(CommandIO& io);
    const KeptLines& lines() const { return lines_; }

    // Adds a stand-in for each class below that has no reader in the factory yet.
    static void registerMissing();
    // The classes of the scene's stand-ins, each once, in the order they were met.
    static std::vector<std::string> keptClasses(const SceneX& scene);
    // The one warning a load gives about them; empty when the scene holds none.
    static std::string notice(const SceneX& scene);

private:
    std::string className_;
    KeptLines lines_;
};

}  // namespace fw
