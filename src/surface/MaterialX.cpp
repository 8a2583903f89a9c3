#include "surface/MaterialX.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"
#include "surface/MaterialChannelBump.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"

namespace fw {

namespace {

MaterialX::TextureCache* gTextureCache = nullptr;
std::atomic<uint64_t> gStamps{0};

constexpr int kSurfaceChannels = MaterialChannel::kKinds;

// Which of the five channel kinds take part in a style.
bool takesPart(int style, int kind) {
    switch (style) {
        case Material::kAbsolute: return kind != MaterialChannel::kSpecular;
        case Material::kMatte:
        case Material::kShadowCatcher: return false;
        default: return true;
    }
}

int readStyleName(CommandIO& io, CommandEnabler& r, const NameTable& names) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<MaterialX>(r).setStyle(names.value(name));
    return 0;
}

int readMaterialStyle(CommandIO& io, CommandEnabler& r) { return readStyleName(io, r, Material::kStyleNames); }
int readOldStyle(CommandIO& io, CommandEnabler& r) { return readStyleName(io, r, Material::kOldStyleNames); }

int writeMaterialStyle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Material::kStyleNames.name(receiverAs<MaterialX>(r).style()));
}

int readRespondToLighting(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    MaterialX& m = receiverAs<MaterialX>(r);
    // Only the line styles can draw unlit; for the others the line means nothing.
    if (m.style() == Material::kWireframe || m.style() == Material::kHiddenLine) m.ignoresLighting = on == 0;
    return 0;
}
int writeRespondToLighting(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, !receiverAs<MaterialX>(r).ignoresLighting, spelling);
}

int readFresnelStart(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<MaterialX>(r).setFresnelStart(v);
    return 0;
}

int readFresnelEnd(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<MaterialX>(r).setFresnelEnd(v);
    return 0;
}

// "begin <channel class> <surface>": the existing channel of that kind and surface,
// back at its defaults, takes the block.
int beginChannel(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    int surface;
    if (io.readToken(name, sizeof name) != 0 || io.readInt(surface) != 0) return -1;
    for (int kind = 0; kind < kSurfaceChannels; ++kind) {
        if (std::strcmp(name, MaterialChannel::kindClassName(kind)) != 0) continue;
        MaterialChannel& channel = receiverAs<MaterialX>(r).channel((surface > 0 ? kSurfaceChannels : 0) + kind);
        channel.reset();
        io.push(&channel);
        return 0;
    }
    return -1;
}

// ---- the older flat layout

int readDiffuse(CommandIO& io, CommandEnabler& r) {
    float rgb[3];
    if (io.readColor(rgb, 3) != 0) return -1;
    receiverAs<MaterialX>(r).colorChannel().setColor(rgb[0], rgb[1], rgb[2], 1.0f);
    return 0;
}

int readOldSpecular(CommandIO& io, CommandEnabler& r) {
    double sharpness, brightness;
    if (io.readDouble(sharpness) != 0 || io.readDouble(brightness) != 0) return -1;
    MaterialChannelSpecular& s = receiverAs<MaterialX>(r).specularChannel();
    s.sharpness = sharpness;
    s.brightness = brightness;
    return 0;
}

int readOldTransparency(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<MaterialX>(r).transparencyChannel().amount);
}

int readOldReflectivity(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<MaterialX>(r).reflectivityChannel().amount);
}

template <int Kind>
int readMap(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    return receiverAs<MaterialX>(r).channel(Kind).setImageLayer(name) ? 0 : -1;
}

int readBumpMap(CommandIO& io, CommandEnabler& r) {
    std::string name;
    double amount;
    if (io.readString(name) != 0 || io.readDouble(amount) != 0) return -1;
    MaterialChannelBump& bump = receiverAs<MaterialX>(r).bumpChannel();
    if (!bump.setImageLayer(name)) return -1;
    bump.amount = amount;
    return 0;
}

template <int Kind>
int readMapFlag(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    MaterialChannel& channel = receiverAs<MaterialX>(r).channel(Kind);
    int index = channel.findImageLayer();
    if (index >= 0) channel.layer(index).active = on != 0;
    return 0;
}

// Settings of the flat layout the program no longer has: their values are skipped.
template <int Count>
int skipValues(CommandIO& io, CommandEnabler&) {
    char token[CommandIO::kTokenSize];
    for (int i = 0; i < Count; ++i)
        if (io.readToken(token, sizeof token) != 0) return -1;
    return 0;
}

bool drawsLines(CommandEnabler& r) {
    int style = receiverAs<MaterialX>(r).style();
    return style == Material::kWireframe || style == Material::kHiddenLine;
}
bool drawsHiddenLines(CommandEnabler& r) { return receiverAs<MaterialX>(r).style() == Material::kHiddenLine; }
bool isFresnel(CommandEnabler& r) { return receiverAs<MaterialX>(r).style() == Material::kFresnel; }

// The stored lines in written order; each style writes only its own settings. The
// flat layout's lines and "style" are read only.
constexpr FieldTable::Line kMaterialLines[] = {
    {"materialStyle", readMaterialStyle, writeMaterialStyle},
    field<&MaterialX::shaderTextureWidth>("shaderTextureWidth"),
    field<&MaterialX::shaderTextureHeight>("shaderTextureHeight"),
    field<&MaterialX::useHiddenFillMaterial>("useHiddenFillMaterial", Spelling::bare, drawsHiddenLines),
    field<&MaterialX::hiddenFillColor>("hiddenFillColor", Spelling::bare, drawsHiddenLines),
    {"respondToLighting", readRespondToLighting, writeRespondToLighting, Spelling::bare, drawsLines},
    field<&MaterialX::lineWidth>("lineWidth", Spelling::fixed, drawsLines),
    {"fresnelStart", readFresnelStart, writeGetter<&MaterialX::fresnelStart>, Spelling::bare, isFresnel},
    {"fresnelEnd", readFresnelEnd, writeGetter<&MaterialX::fresnelEnd>, Spelling::bare, isFresnel},
    field<&MaterialX::fresnelBlend>("fresnelBlend", Spelling::bare, isFresnel),
    {"begin", beginChannel},
    {"end", &CommandEnabler::endCommand},
    {"style", readOldStyle},
    {"diffuse", readDiffuse},
    {"specular", readOldSpecular},
    {"transparency", readOldTransparency},
    {"reflectivity", readOldReflectivity},
    {"colorMap", readMap<MaterialChannel::kColor>},
    {"specularMap", readMap<MaterialChannel::kSpecular>},
    {"transparencyMap", readMap<MaterialChannel::kTransparency>},
    {"reflectionMap", readMap<MaterialChannel::kReflectivity>},
    {"bumpMap", readBumpMap},
    {"colorMapFlag", readMapFlag<MaterialChannel::kColor>},
    {"specularMapFlag", readMapFlag<MaterialChannel::kSpecular>},
    {"reflectionMapFlag", readMapFlag<MaterialChannel::kReflectivity>},
    {"transparencyMapFlag", readMapFlag<MaterialChannel::kTransparency>},
    {"bumpMapFlag", readMapFlag<MaterialChannel::kBump>},
    {"ambient", skipValues<3>},
    {"ambientFlag", skipValues<1>},
    {"diffuseFlag", skipValues<1>},
    {"specularFlag", skipValues<1>},
    {"transparencyFlag", skipValues<1>},
    {"lineWidth2", skipValues<1>},
    {"thickenSilhouette", skipValues<1>},
};
constexpr FieldTable kMaterialTable{kMaterialLines};

BakedMaterial::Texture solid(const Rgba& c) { return BakedMaterial::Texture::solid(c.r, c.g, c.b, c.a); }

// width x height texels over the unit square, rows bottom-up, each the colour
// `texel` gives for its footprint.
template <class Texel>
BakedMaterial::Texture bakeTexture(int width, int height, int threads, const Texel& texel) {
    BakedMaterial::Texture t;
    t.width = width;
    t.height = height;
    t.rgba.resize(static_cast<size_t>(width) * height * 4);
    int workers = threads > 0 ? threads : omp_get_max_threads();
    double du = 1.0 / width, dv = 1.0 / height;
#pragma omp parallel for schedule(dynamic, 4) num_threads(workers)
    for (int y = 0; y < height; ++y) {
        uint8_t* out = t.rgba.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, out += 4) {
            Rgba c = texel(Shader::Footprint{x * du, y * dv, (x + 1) * du, (y + 1) * dv});
            using Baked = BakedMaterial::Texture;
            out[0] = Baked::byte(c.r), out[1] = Baked::byte(c.g), out[2] = Baked::byte(c.b), out[3] = Baked::byte(c.a);
        }
    }
    return t;
}

}  // namespace

void MaterialX::setTextureCache(TextureCache* cache) { gTextureCache = cache; }

MaterialX::MaterialX(Scene& scene, const char* name) : Material(scene, name) {
    for (int i = 0; i < kChannels; ++i) channels_[i] = MaterialChannel::create(i % kSurfaceChannels, &scene);
    stamp_ = ++gStamps;
    registerCommands();
}

MaterialX::~MaterialX() { releaseRenderCaches(); }

CommandTable& MaterialX::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialX::registerCommands() {
    Material::registerCommands();
    kMaterialTable.registerInto(*this);
}

int MaterialX::writeCommands(CommandIO& io) {
    if (Material::writeCommands(io) != 0 || kMaterialTable.write(io, *this) != 0) return -1;
    for (int i = 0; i < kChannels; ++i)
        if (usesChannel(i) && io.writeIndexedBlock(*channels_[i], i / kSurfaceChannels) != 0) return -1;
    return 0;
}

void MaterialX::markUsed() {
    setUsed(true);
    for (int i = 0; i < kChannels; ++i)
        if (usesChannel(i)) channels_[i]->markUsed();
}

void MaterialX::setStyle(int style) { style_ = style >= kStandard && style <= kFresnel ? style : kStandard; }

bool MaterialX::respondsToLighting() const { return !ignoresLighting && style_ != kAbsolute && style_ != kMatte; }

bool MaterialX::usesChannel(int index) const {
    if (index < 0 || index >= kChannels) return false;
    if (index >= kSurfaceChannels && style_ != kFresnel) return false;
    return takesPart(style_, index % kSurfaceChannels);
}

unsigned MaterialX::neededVertexData() const {
    unsigned bits = 0;
    for (int i = 0; i < kChannels; ++i) {
        if (!usesChannel(i) || channels_[i]->isTrivial()) continue;
        switch (i % kSurfaceChannels) {
            case MaterialChannel::kBump:
                bits |= kVertexData1 | kVertexData2;
                if (style_ == kStandard || style_ == kAbsolute) bits |= kVertexData4;
                break;
            case MaterialChannel::kReflectivity: bits |= kVertexData4; break;
            default: bits |= kVertexData1; break;
        }
    }
    return bits;
}

void MaterialX::reset() {
    style_ = kStandard;
    fresnelStart_ = 0.0;
    fresnelEnd_ = 1.0;
    fresnelScale_ = 1.0;
    fresnelBlend = 0.5;
    shaderTextureWidth = shaderTextureHeight = -1;
    lineWidth = 1.0;
    useHiddenFillMaterial = false;
    std::fill(std::begin(hiddenFillColor), std::end(hiddenFillColor), 1.0f);
    ignoresLighting = false;
    for (auto& channel : channels_) channel->reset();
    releaseRenderCaches();
    notifyChange();
}

void MaterialX::releaseRenderCaches() {
    if (gTextureCache) gTextureCache->release(*this);
    for (auto& set : renderCaches) std::fill(std::begin(set), std::end(set), 0u);
}

void MaterialX::notifyChange() {
    stamp_ = ++gStamps;
    for (auto& channel : channels_) channel->notifyChange();
}

void MaterialX::clampRayCounts(int cap) {
    for (int i = 0; i < kChannels; ++i) {
        int kind = i % kSurfaceChannels;
        if ((kind == MaterialChannel::kTransparency || kind == MaterialChannel::kReflectivity) &&
            (i < kSurfaceChannels || style_ == kFresnel))
            channels_[i]->clampRays(cap);
    }
}

MaterialChannelColor& MaterialX::colorChannel(int surface) {
    return static_cast<MaterialChannelColor&>(channel(surface * kSurfaceChannels + MaterialChannel::kColor));
}

MaterialChannelSpecular& MaterialX::specularChannel(int surface) {
    return static_cast<MaterialChannelSpecular&>(channel(surface * kSurfaceChannels + MaterialChannel::kSpecular));
}

MaterialChannelBump& MaterialX::bumpChannel(int surface) {
    return static_cast<MaterialChannelBump&>(channel(surface * kSurfaceChannels + MaterialChannel::kBump));
}

MaterialChannelTransparency& MaterialX::transparencyChannel(int surface) {
    return static_cast<MaterialChannelTransparency&>(
        channel(surface * kSurfaceChannels + MaterialChannel::kTransparency));
}

MaterialChannelReflectivity& MaterialX::reflectivityChannel(int surface) {
    return static_cast<MaterialChannelReflectivity&>(
        channel(surface * kSurfaceChannels + MaterialChannel::kReflectivity));
}

bool MaterialX::equals(const MaterialX& other) const {
    if (style_ != other.style_) return false;
    for (int i = 0; i < kChannels; ++i)
        if (usesChannel(i) && !channels_[i]->equals(*other.channels_[i])) return false;
    return true;
}

void MaterialX::copyFrom(const MaterialX& other) {
    if (&other == this) return;
    style_ = other.style_;
    fresnelStart_ = other.fresnelStart_;
    fresnelEnd_ = other.fresnelEnd_;
    fresnelScale_ = other.fresnelScale_;
    fresnelBlend = other.fresnelBlend;
    shaderTextureWidth = other.shaderTextureWidth;
    shaderTextureHeight = other.shaderTextureHeight;
    lineWidth = other.lineWidth;
    useHiddenFillMaterial = other.useHiddenFillMaterial;
    std::copy(std::begin(other.hiddenFillColor), std::end(other.hiddenFillColor), hiddenFillColor);
    ignoresLighting = other.ignoresLighting;
    for (int i = 0; i < kChannels; ++i) channels_[i]->copyFrom(*other.channels_[i]);
    notifyChange();
}

void MaterialX::setFresnelStart(double start) {
    fresnelStart_ = start;
    fresnelScale_ = fresnelEnd_ == fresnelStart_ ? 1.0 : 1.0 / (fresnelEnd_ - fresnelStart_);
}

void MaterialX::setFresnelEnd(double end) {
    fresnelEnd_ = end;
    fresnelScale_ = fresnelEnd_ == fresnelStart_ ? 1.0 : 1.0 / (fresnelEnd_ - fresnelStart_);
}

void MaterialX::textureSize(int sceneWidth, int sceneHeight, int& width, int& height) const {
    width = shaderTextureWidth > 0 ? shaderTextureWidth : sceneWidth > 0 ? sceneWidth : kDefaultTextureSize;
    height = shaderTextureHeight > 0 ? shaderTextureHeight : sceneHeight > 0 ? sceneHeight : kDefaultTextureSize;
}

void MaterialX::bake(BakedMaterial& out, int sceneWidth, int sceneHeight, int threads, int limit) const {
    out = BakedMaterial();
    int width, height;
    textureSize(sceneWidth, sceneHeight, width, height);
    limit = limit > 0 ? std::min(limit, kMaxTextureSize) : kMaxTextureSize;
    width = std::min(width, limit), height = std::min(height, limit);
    out.materialStyle = style_;
    switch (style_) {
        case kMatte: out.style = BakedMaterial::kMatte; break;
        case kShadowCatcher: out.style = BakedMaterial::kShadowCatcher; break;
        case kCartoon: out.style = BakedMaterial::kCartoon; break;
        case kWireframe: out.style = BakedMaterial::kWireframe; break;
        case kHiddenLine: out.style = BakedMaterial::kHiddenLine; break;
        default: out.style = BakedMaterial::kStandard; break;
    }
    out.lineWidth = static_cast<float>(lineWidth);
    out.hiddenFill = useHiddenFillMaterial;
    std::copy(std::begin(hiddenFillColor), std::end(hiddenFillColor), out.hiddenFillColor);
    out.lighting = respondsToLighting();
    out.fresnel = style_ == kFresnel;
    out.fresnelStart = static_cast<float>(fresnelStart_);
    out.fresnelEnd = static_cast<float>(fresnelEnd_);
    out.fresnelBlend = static_cast<float>(fresnelBlend);
    out.version = stamp_;
    bakeSurface(0, out.surface[0], width, height, threads);
    if (out.fresnel) bakeSurface(1, out.surface[1], width, height, threads);
}

void MaterialX::bakeSurface(int surface, BakedMaterial::Surface& out, int width, int height, int threads) const {
    const int first = surface * kSurfaceChannels;
    auto used = [&](int kind) {
        return usesChannel(first + kind) && channels_[first + kind]->active;
    };
    auto layered = [&](int kind) { return used(kind) && channels_[first + kind]->hasActiveLayers(); };
    const auto& colour = static_cast<const MaterialChannelColor&>(channel(first + MaterialChannel::kColor));
    const auto& specular = static_cast<const MaterialChannelSpecular&>(channel(first + MaterialChannel::kSpecular));
    const auto& bump = static_cast<const MaterialChannelBump&>(channel(first + MaterialChannel::kBump));
    const auto& transparency =
        static_cast<const MaterialChannelTransparency&>(channel(first + MaterialChannel::kTransparency));
    const auto& reflectivity =
        static_cast<const MaterialChannelReflectivity&>(channel(first + MaterialChannel::kReflectivity));

    // Colour: the transparency layers thin the colour's alpha by their brightness.
    if (!usesChannel(first + MaterialChannel::kColor)) {
        out.color = solid({1, 1, 1, 1});
    } else if (!layered(MaterialChannel::kColor) && !layered(MaterialChannel::kTransparency)) {
        out.color = solid(colour.evaluate({0, 0, 1, 1}));
    } else {
        const bool thinned = layered(MaterialChannel::kTransparency);
        out.color = bakeTexture(width, height, threads, [&](const Shader::Footprint& f) {
            Rgba c = colour.evaluate(f);
            if (thinned) {
                Rgba t = transparency.evaluate(f);
                c.a *= static_cast<float>(1.0 - std::clamp(t.brightness() * t.a, 0.0, 1.0));
            }
            return c;
        });
    }
    if (used(MaterialChannel::kTransparency)) {
        out.opacity = static_cast<float>(std::clamp(1.0 - transparency.amount, 0.0, 1.0));
        out.refraction = static_cast<float>(transparency.refraction);
        out.refractionRays = transparency.rayDirections();
    }

    if (used(MaterialChannel::kSpecular)) {
        out.specularAmount = static_cast<float>(specular.brightness);
        out.shininess = static_cast<float>(specular.sharpness);
        if (!specular.isTrivial() && layered(MaterialChannel::kSpecular))
            out.specular = bakeTexture(width, height, threads, [&](const Shader::Footprint& f) {
                return specular.evaluate(f);
            });
    }

    if (used(MaterialChannel::kBump) && !bump.isTrivial()) {
        out.bumpAmount = static_cast<float>(bump.amount);
        if (layered(MaterialChannel::kBump))
            out.bump = bakeTexture(width, height, threads, [&](const Shader::Footprint& f) {
                Rgba c = bump.evaluate(f);
                c.a = static_cast<float>(c.brightness() * c.a);  // the height
                return c;
            });
    }

    if (used(MaterialChannel::kReflectivity) && !reflectivity.isTrivial()) {
        out.reflectionAmount = static_cast<float>(reflectivity.amount);
        out.raytraceAmount = static_cast<float>(reflectivity.raytraceAmount);
        out.falloffStart = static_cast<float>(reflectivity.falloffStart);
        out.falloffEnd = static_cast<float>(reflectivity.falloffEnd);
        out.reflectionRays = reflectivity.rayDirections();
        if (layered(MaterialChannel::kReflectivity))
            out.reflection = bakeTexture(width, height, threads, [&](const Shader::Footprint& f) {
                return reflectivity.evaluate(f);
            });
    }
}

MaterialX* ensureDefaultMaterial(Scene& scene) {
    SceneMember* holder = scene.findMember(MaterialX::kDefaultName);
    if (auto* m = dynamic_cast<MaterialX*>(holder)) return m;
    if (holder) return nullptr;  // another kind of member holds the name
    return new MaterialX(scene, MaterialX::kDefaultName);
}

}  // namespace fw
