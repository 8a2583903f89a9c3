#include "surface/MaterialChannel.h"

#include <algorithm>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/MaterialChannelBump.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/ShaderColor.h"
#include "surface/ShaderImage.h"

namespace fw {

namespace {

const char* const kClassNames[] = {"MaterialChannelColor", "MaterialChannelSpecular", "MaterialChannelBump",
                                   "MaterialChannelTransparency", "MaterialChannelReflectivity"};

int beginLayer(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "ShaderBlock") != 0) return -1;
    io.push(&receiverAs<MaterialChannel>(r).addLayer());
    return 0;
}

int writeLayers(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    auto& channel = receiverAs<MaterialChannel>(r);
    for (int i = 0; i < channel.layerCount(); ++i)
        if (io.writeBlock(channel.layer(i)) != 0) return -1;
    return 0;
}

// The lines every channel ends with, after its kind's own.
constexpr FieldTable::Line kMaterialChannelLines[] = {
    field<&MaterialChannel::active>("active"),
    {"begin", beginLayer, writeLayers},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kMaterialChannelTable{kMaterialChannelLines};

// A layer kept by the walk: its colour with the way it blends.
struct Kept {
    Rgba color;
    int mode;
    double amount;
};

// The image file of that member name or path, made when none has it.
ImageFile* imageFileFor(Scene& scene, const std::string& name) {
    if (auto* f = dynamic_cast<ImageFile*>(scene.findMember(name))) return f;
    for (int i = 0; i < scene.memberCount(kImageFileKind); ++i) {
        auto* f = dynamic_cast<ImageFile*>(scene.member(kImageFileKind, i));
        if (f && f->path() == name.substr(0, ImageFile::kMaxPath)) return f;
    }
    auto* f = new ImageFile(scene, "Image.1");
    f->setPath(name);
    return f;
}

// A map showing the file: the first one that does, or a new one.
ImageMap* mapFor(Scene& scene, ImageFile& file) {
    for (int i = 0; i < scene.memberCount(kImageMapKind); ++i) {
        auto* m = dynamic_cast<ImageMap*>(scene.member(kImageMapKind, i));
        if (m && m->imageFile() == &file) return m;
    }
    return ImageMap::createFor(scene, file.name());
}

}  // namespace

std::unique_ptr<MaterialChannel> MaterialChannel::create(int kind, Scene* scene) {
    switch (kind) {
        case kColor: return std::make_unique<MaterialChannelColor>(scene);
        case kSpecular: return std::make_unique<MaterialChannelSpecular>(scene);
        case kBump: return std::make_unique<MaterialChannelBump>(scene);
        case kTransparency: return std::make_unique<MaterialChannelTransparency>(scene);
        case kReflectivity: return std::make_unique<MaterialChannelReflectivity>(scene);
        default: return nullptr;
    }
}

std::unique_ptr<MaterialChannel> MaterialChannel::create(const char* className, Scene* scene) {
    for (int kind = 0; kind < kKinds; ++kind)
        if (std::strcmp(className, kClassNames[kind]) == 0) return create(kind, scene);
    return nullptr;
}

const char* MaterialChannel::kindClassName(int kind) {
    return kind >= 0 && kind < kKinds ? kClassNames[kind] : "";
}

MaterialChannel::MaterialChannel(int kind, Scene* scene, Rgba preset) : kind_(kind), scene_(scene), baseLayer_(scene) {
    baseLayer_.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(preset.r, preset.g, preset.b, preset.a));
}

void MaterialChannel::registerCommands() { kMaterialChannelTable.registerInto(*this); }

int MaterialChannel::writeCommands(CommandIO& io) {
    if (writeFields(io) != 0) return -1;
    return kMaterialChannelTable.write(io, *this);
}

void MaterialChannel::reset() {
    layers_.clear();
    active = true;
}

bool MaterialChannel::copyFrom(const MaterialChannel& other) {
    if (other.kind_ != kind_) return false;
    if (&other == this) return true;
    active = other.active;
    layers_.clear();
    for (const auto& layer : other.layers_) addLayer() = *layer;
    copyFields(other);
    notifyChange();
    return true;
}

bool MaterialChannel::equals(const MaterialChannel& other) const {
    if (other.kind_ != kind_ || other.active != active || other.layers_.size() != layers_.size()) return false;
    for (size_t i = 0; i < layers_.size(); ++i)
        if (!layers_[i]->equals(*other.layers_[i])) return false;
    return sameFields(other);
}

void MaterialChannel::notifyChange() {
    for (auto& layer : layers_) layer->notifyChange();
}

void MaterialChannel::markUsed() {
    for (auto& layer : layers_) layer->markUsed();
}

ShaderBlock& MaterialChannel::addLayer(int index) {
    int at = index < 0 || index > layerCount() ? layerCount() : index;
    auto it = layers_.insert(layers_.begin() + at, std::make_unique<ShaderBlock>(scene_));
    return **it;
}

bool MaterialChannel::removeLayer(int index) {
    if (index < 0 || index >= layerCount()) return false;
    layers_.erase(layers_.begin() + index);
    return true;
}

bool MaterialChannel::moveLayer(int from, int to) {
    if (from < 0 || from >= layerCount() || to < 0 || to >= layerCount()) return false;
    std::unique_ptr<ShaderBlock> moved = std::move(layers_[from]);
    layers_.erase(layers_.begin() + from);
    layers_.insert(layers_.begin() + to, std::move(moved));
    return true;
}

void MaterialChannel::clearLayers() { layers_.clear(); }

bool MaterialChannel::hasActiveLayers() const {
    for (const auto& layer : layers_)
        if (!layer->isTrivial()) return true;
    return false;
}

int MaterialChannel::findImageLayer() const {
    for (int i = 0; i < layerCount(); ++i)
        if (dynamic_cast<const ShaderImage*>(layers_[i]->rgbShader())) return i;
    return -1;
}

ShaderBlock* MaterialChannel::setImageLayer(const std::string& name) {
    if (!scene_) return nullptr;
    std::string mapName = name;
    if (name.compare(0, 7, "|ExtMap") != 0) mapName = mapFor(*scene_, *imageFileFor(*scene_, name))->name();
    int index = findImageLayer();
    ShaderBlock& layer = index >= 0 ? *layers_[index] : addLayer();
    if (index < 0) layer.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderImage>(scene_));
    static_cast<ShaderImage*>(layer.rgbShader())->setImage(mapName);
    return &layer;
}

Rgba MaterialChannel::baseColor() const {
    const auto* color = static_cast<const ShaderColor*>(baseLayer_.rgbShader());
    return {color->color[0], color->color[1], color->color[2], color->color[3]};
}

void MaterialChannel::setBaseColor(const Rgba& c) {
    static_cast<ShaderColor*>(baseLayer_.rgbShader())->setColor(c.r, c.g, c.b, c.a);
}

const Rgba* MaterialChannel::startColor(Rgba&) const { return nullptr; }

Rgba MaterialChannel::evaluate(const Shader::Footprint& footprint, bool fullWalk) const {
    Rgba storage;
    return evaluate(footprint, startColor(storage), fullWalk);
}

Rgba MaterialChannel::evaluate(const Shader::Footprint& footprint, const Rgba* base, bool fullWalk) const {
    if (!active) return Rgba{};
    // Most channels hold a few layers; the walk runs per texel, so it avoids the heap.
    constexpr int kLocal = 16;
    Kept local[kLocal];
    std::vector<Kept> more;
    int count = 0;
    auto keep = [&](const Kept& k) {
        if (count < kLocal)
            local[count] = k;
        else
            more.push_back(k);
        ++count;
    };
    auto kept = [&](int i) -> const Kept& { return i < kLocal ? local[i] : more[i - kLocal]; };

    for (const auto& layer : layers_) {
        if (!layer->active) continue;
        Rgba c = layer->evaluate(footprint);
        keep({c, layer->blendingStyle, layer->blendingAmount});
        // Nothing under an opaque Normal layer can show.
        if (!fullWalk && layer->blendingStyle == BlendMode::kNormal && c.a * layer->blendingAmount >= 1.0) break;
    }

    Rgba result = base ? *base : Rgba{};
    if (count == 1 && kept(0).mode == BlendMode::kNormal) {
        if (!base) return kept(0).color;
        Rgba c = kept(0).color;
        if (kept(0).amount < 1.0) c.a = static_cast<float>(c.a * kept(0).amount);
        BlendMode::blend(result, c, BlendMode::kNormal, true);
        return result;
    }
    for (int i = count - 1; i >= 0; --i) {
        Rgba c = kept(i).color;
        if (kept(i).amount < 1.0) c.a = static_cast<float>(c.a * kept(i).amount);
        if (i == count - 1 && !base)
            result = c;
        else
            BlendMode::blend(result, c, kept(i).mode, true);
    }
    return result;
}

}  // namespace fw
