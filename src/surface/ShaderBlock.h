#pragma once
// One layer of a material channel: a shader for its colour, optionally one for its
// alpha, each with blur, inversion and repetition, and how the layer blends onto the
// layers under it.

#include <memory>

#include "persistence/CommandEnabler.h"
#include "surface/BlendMode.h"
#include "surface/Shader.h"

namespace fw {

class Scene;

class ShaderBlock : public CommandEnabler {
public:
    enum Slot { kRgbSlot = 0, kAlphaSlot = 1 };

    // Image shaders read into the layer find their maps in `scene` (may be null).
    explicit ShaderBlock(Scene* scene = nullptr);
    // Copies take the shaders by value; an assigned layer keeps its own scene.
    ShaderBlock(const ShaderBlock& other);
    ShaderBlock& operator=(const ShaderBlock& other);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderBlock"; }

    Shader* rgbShader() const { return rgbShader_.get(); }
    Shader* alphaShader() const { return alphaShader_.get(); }
    Shader* shader(int slot) const { return slot == kAlphaSlot ? alphaShader() : rgbShader(); }
    // Replaces (and destroys) the slot's shader; null empties the slot.
    void setShader(int slot, std::unique_ptr<Shader> shader);

    // Inactive, or holding neither shader: the layer contributes nothing.
    bool isTrivial() const { return !active || (!rgbShader_ && !alphaShader_); }
    bool equals(const ShaderBlock& other) const;
    // Passes the notice of a change on to the shaders.
    void notifyChange();
    // Marks the scene members the shaders refer to (image maps) as in use.
    void markUsed();

    // The layer's non-premultiplied colour over a footprint. `repeat` makes both
    // shaders repeat outside their unit square whatever the layer's own flags say.
    Rgba evaluate(const Shader::Footprint& footprint, bool repeat = false) const;

    Scene* scene() const { return scene_; }

    bool active = true;
    int blendingStyle = BlendMode::kNormal;
    double blendingAmount = 1.0;
    double rgbBlur = 0.0;
    double alphaBlur = 0.0;
    bool rgbInverted = false;
    bool alphaInverted = false;
    bool rgbRepeat = true;
    bool alphaRepeat = true;
    bool useLumForAlpha = false;

private:
    void registerCommands();
    Rgba sample(const Shader& shader, const Shader::Footprint& footprint, double blur, bool repeat, bool inverted,
                bool alphaMode) const;

    Scene* scene_;
    std::unique_ptr<Shader> rgbShader_;
    std::unique_ptr<Shader> alphaShader_;
};

}  // namespace fw
