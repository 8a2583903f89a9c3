#pragma once
// The effects a project lays over every rendered frame: gradient and glint units, in
// the order they are applied. They are kept in one block after the scene, so they are
// saved, loaded and rendered with the project.

#include <memory>
#include <vector>

#include "app/ManagerBlocks.h"
#include "persistence/CommandEnabler.h"
#include "surface/EffectUnit.h"

namespace fw {

class GlintUnit;
struct RenderImage;
class SceneX;

class FrameEffects : public CommandEnabler, public ManagerBlocks {
public:
    static constexpr const char* kClassName = "FrameEffects";

    FrameEffects();

    // The block, as a member of the project's blocks.
    const char* blockClass() const override { return kClassName; }
    int readBlock(CommandIO& io) override;
    int writeBlocks(CommandIO& io) override;
    void clearBlocks() override { units.clear(); }

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return kClassName; }

    // The ready-made glint that sweeps across the letters from the first frame to the
    // last, lighting only them.
    static std::unique_ptr<GlintUnit> sweep();

    bool empty() const { return units.empty(); }
    std::vector<std::unique_ptr<EffectUnit>> units;
};

}  // namespace fw
