#pragma once
// The colour channel: the surface's own colour under its layers.

#include "surface/MaterialChannel.h"

namespace fw {

class MaterialChannelColor : public MaterialChannel {
public:
    explicit MaterialChannelColor(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelColor"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override { return false; }

    void setColor(float r, float g, float b, float a = 1.0f);
    // Sets the base-colour layer to the current colour, for callers that want the
    // colour as a layer.
    void refreshBaseLayer();

    bool useBaseColor = true;
    float color[4] = {0.8f, 0.8f, 0.8f, 1.0f};

protected:
    const Rgba* startColor(Rgba& storage) const override;
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
