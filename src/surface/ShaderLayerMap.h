#pragma once
// One image of the application's layer-map list, by number, sampled over the
// footprint with or without its alpha channel.

#include "surface/Shader.h"

namespace fw {

class LayerMapSource;

class ShaderLayerMap : public Shader {
public:
    ShaderLayerMap();

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderLayerMap"; }
    void registerCommands() override;
    void reset() override;
    void naturalSize(int& width, int& height) const override;

    // The process-wide list the index refers to (none: every layer map is empty).
    static void setSource(LayerMapSource* source);
    static LayerMapSource* source();

    int index = 0;
    bool fourChannels = true;  // not stored; off, the image counts as opaque

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
