#include "surface/ShaderLayerMap.h"

#include <atomic>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "surface/LayerMapSource.h"
#include "surface/Picture.h"

namespace fw {

namespace {

std::atomic<LayerMapSource*> gSource{nullptr};

constexpr FieldTable::Line kShaderLayerMapLines[] = {
    field<&ShaderLayerMap::index>("index"),
};
constexpr FieldTable kShaderLayerMapTable{kShaderLayerMapLines};

}  // namespace

ShaderLayerMap::ShaderLayerMap() : Shader(kLayerMap) { registerCommands(); }

CommandTable& ShaderLayerMap::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderLayerMap::registerCommands() {
    Shader::registerCommands();
    kShaderLayerMapTable.registerInto(*this);
}

void ShaderLayerMap::reset() {
    Shader::reset();
    index = 0;
    fourChannels = true;
}

void ShaderLayerMap::setSource(LayerMapSource* source) { gSource.store(source); }
LayerMapSource* ShaderLayerMap::source() { return gSource.load(); }

void ShaderLayerMap::naturalSize(int& width, int& height) const {
    LayerMapSource* s = source();
    const Picture* p = s ? s->layerMap(index) : nullptr;
    if (p && !p->empty()) {
        width = p->width();
        height = p->height();
    } else {
        Shader::naturalSize(width, height);
    }
}

Rgba ShaderLayerMap::shade(const Footprint& f) const {
    LayerMapSource* s = source();
    const Picture* p = s ? s->layerMap(index) : nullptr;
    return p ? p->sample(f.u0, f.v0, f.u1, f.v1, fourChannels) : Rgba{};
}

bool ShaderLayerMap::sameFields(const Shader& other) const {
    const auto& o = static_cast<const ShaderLayerMap&>(other);
    return index == o.index && fourChannels == o.fourChannels;
}

void ShaderLayerMap::copyFields(const Shader& other) {
    const auto& o = static_cast<const ShaderLayerMap&>(other);
    index = o.index;
    fourChannels = o.fourChannels;
}

int ShaderLayerMap::writeFields(CommandIO& io) { return kShaderLayerMapTable.write(io, *this); }

}  // namespace fw
