#include "app/FactoryLibrary.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "geometry/ObjectXStyle.h"
#include "render/LightX.h"
#include "scene/SceneX.h"
#include "surface/Gradient.h"
#include "surface/MaterialChannelBump.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/MaterialX.h"
#include "surface/ShaderGradient.h"
#include "surface/ShaderGrid.h"
#include "surface/ShaderNoisePerlin.h"
#include "surface/ShaderNoiseWorley.h"
#include "surface/kxColor.h"

namespace fw {

namespace {

struct Colour {
    float r, g, b;
    Colour scaled(float k) const { return {std::min(1.0f, r * k), std::min(1.0f, g * k), std::min(1.0f, b * k)}; }
};

void put(float out[4], const Colour& c) { out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = 1.0f; }

ShaderBlock& addShader(MaterialChannel& channel, std::unique_ptr<Shader> shader) {
    shader->notifyChange();
    ShaderBlock& block = channel.addLayer();
    block.setShader(ShaderBlock::kRgbSlot, std::move(shader));
    return block;
}

// A studio seen from the object: dark floor, a bright band at the horizon, a softer
// sky; tinted so that a metal mirrors its own colour. It is what the OpenGL frame
// shows in a reflective surface, laid over the sphere of directions (v up).
void addStudioEnvironment(MaterialX& m, const Colour& tint, float floor = 0.08f) {
    auto gradient = std::make_unique<ShaderGradient>();
    GradientUnit& unit = gradient->unit;
    unit.startPosition[0] = 0.5, unit.startPosition[1] = 0.0;
    unit.rotation = 90.0;
    unit.size = 200.0;
    unit.outerEdges = Gradient::kClamp;
    auto stop = [&](double at, const Colour& c) {
        unit.gradient.addColorStop(at, kxColor::fromUnitRGB(c.r, c.g, c.b));
    };
    stop(0.0, tint.scaled(floor));
    stop(0.44, tint.scaled(floor * 2.5f));
    stop(0.5, tint.scaled(1.0f));
    stop(0.56, tint.scaled(0.55f));
    stop(1.0, tint.scaled(0.8f));
    addShader(m.reflectivityChannel(), std::move(gradient));
}

MaterialX& plain(SceneX& scene, const char* name, const Colour& colour, double specular, double sharpness) {
    auto* m = new MaterialX(scene, name);
    m->colorChannel().setColor(colour.r, colour.g, colour.b);
    m->specularChannel().brightness = specular;
    m->specularChannel().sharpness = sharpness;
    return *m;
}

// Metals: a dark body, most of the look from the mirrored studio and a tight
// highlight. Brushed ones streak their colour along u and blur their reflections.
void metal(SceneX& scene, const char* name, const Colour& colour, bool brushed) {
    MaterialX& m = plain(scene, name, colour.scaled(brushed ? 0.55f : 0.4f), brushed ? 0.6 : 1.0, brushed ? 30 : 90);
    if (brushed) {
        auto streaks = std::make_unique<ShaderNoisePerlin>();
        put(streaks->color1, colour.scaled(0.4f));
        put(streaks->color2, colour.scaled(0.75f));
        streaks->size = 30.0;
        streaks->stretch = 25.0;
        streaks->complexity = 4.0;
        addShader(m.colorChannel(), std::move(streaks));
    }
    MaterialChannelReflectivity& r = m.reflectivityChannel();
    r.amount = brushed ? 0.45 : 0.65;
    r.raytraceAmount = brushed ? 0.5 : 0.85;
    if (brushed) {
        r.setSpread(0.15);
        r.setNumRays(8);
    }
    addStudioEnvironment(m, colour, brushed ? 0.15f : 0.08f);
}

void plastic(SceneX& scene, const char* name, const Colour& colour, bool glossy) {
    MaterialX& m = plain(scene, name, colour, glossy ? 0.8 : 0.05, glossy ? 70 : 8);
    if (glossy) {
        m.reflectivityChannel().amount = 0.12;
        m.reflectivityChannel().raytraceAmount = 0.1;
        addStudioEnvironment(m, {1, 1, 1});
    }
}

void glass(SceneX& scene, const char* name, bool frosted) {
    MaterialX& m = plain(scene, name, frosted ? Colour{0.85f, 0.9f, 0.92f} : Colour{0.75f, 0.85f, 0.9f},
                         frosted ? 0.4 : 1.0, frosted ? 20 : 120);
    MaterialChannelTransparency& t = m.transparencyChannel();
    t.amount = frosted ? 0.45 : 0.8;
    t.refraction = 1.5;
    if (frosted) {
        t.setSpread(0.3);
        t.setNumRays(8);
    }
    MaterialChannelReflectivity& r = m.reflectivityChannel();
    r.amount = frosted ? 0.1 : 0.3;
    r.raytraceAmount = frosted ? 0.05 : 0.1;
    addStudioEnvironment(m, {0.9f, 0.95f, 1.0f});
}

// A light that ignores the scene's lights: it shows its colour at full strength.
void emissive(SceneX& scene, const char* name, const Colour& colour) {
    MaterialX& m = plain(scene, name, colour, 0.0, 10);
    m.ignoresLighting = true;
}

void patterned(SceneX& scene) {
    {
        MaterialX& m = plain(scene, "White Marble", {0.9f, 0.9f, 0.88f}, 0.7, 60);
        auto veins = std::make_unique<ShaderNoisePerlin>();
        veins->type = ShaderNoisePerlin::kMarble;
        put(veins->color1, {0.45f, 0.45f, 0.5f});
        put(veins->color2, {0.95f, 0.95f, 0.93f});
        veins->size = 3.0;
        veins->complexity = 6.0;
        veins->narrow = 0.4;
        addShader(m.colorChannel(), std::move(veins));
        m.reflectivityChannel().amount = 0.1;
        m.reflectivityChannel().raytraceAmount = 0.08;
        addStudioEnvironment(m, {1, 1, 1});
    }
    {
        MaterialX& m = plain(scene, "Wood Grain", {0.55f, 0.35f, 0.18f}, 0.25, 25);
        auto grain = std::make_unique<ShaderNoisePerlin>();
        put(grain->color1, {0.3f, 0.15f, 0.06f});
        put(grain->color2, {0.78f, 0.55f, 0.3f});
        grain->size = 14.0;
        grain->stretch = 12.0;
        grain->complexity = 5.0;
        addShader(m.colorChannel(), std::move(grain));
    }
    {
        MaterialX& m = plain(scene, "Carbon Fibre", {0.12f, 0.12f, 0.13f}, 0.9, 80);
        auto weave = std::make_unique<ShaderGrid>();
        put(weave->fillColor, {0.16f, 0.16f, 0.18f});
        put(weave->hColor, {0.03f, 0.03f, 0.035f});
        put(weave->vColor, {0.05f, 0.05f, 0.06f});
        weave->hLineSpacing = weave->vLineSpacing = 4.0;
        weave->hWidth = weave->vWidth = 1.5;
        weave->lineRotation = 45.0;
        addShader(m.colorChannel(), std::move(weave));
        m.reflectivityChannel().amount = 0.15;
        m.reflectivityChannel().raytraceAmount = 0.15;
        addStudioEnvironment(m, {1, 1, 1});
    }
    {
        MaterialX& m = plain(scene, "Granite", {0.5f, 0.5f, 0.5f}, 0.4, 40);
        auto grains = std::make_unique<ShaderNoiseWorley>();
        grains->type = CellularGenerator::kFlat;
        put(grains->color1, {0.18f, 0.17f, 0.17f});
        put(grains->color2, {0.78f, 0.74f, 0.72f});
        grains->size = 40.0;
        addShader(m.colorChannel(), std::move(grains));
    }
    {
        MaterialX& m = plain(scene, "Black Rubber", {0.07f, 0.07f, 0.075f}, 0.08, 6);
        auto pores = std::make_unique<ShaderNoisePerlin>();
        pores->size = 60.0;
        m.bumpChannel().amount = 0.4;
        addShader(m.bumpChannel(), std::move(pores));
    }
    {
        MaterialX& m = plain(scene, "Molten Lava", {0.9f, 0.3f, 0.05f}, 0.0, 10);
        auto flow = std::make_unique<ShaderNoisePerlin>();
        flow->type = ShaderNoisePerlin::kLava;
        put(flow->color1, {0.3f, 0.01f, 0.0f});
        put(flow->color2, {1.0f, 0.5f, 0.05f});
        flow->size = 6.0;
        addShader(m.colorChannel(), std::move(flow));
        m.ignoresLighting = true;
    }
    {
        // White facing the eye, lilac at grazing angles.
        MaterialX& m = plain(scene, "Pearl", {0.86f, 0.8f, 0.76f}, 0.5, 50);
        m.setStyle(Material::kFresnel);
        m.colorChannel(1).setColor(0.62f, 0.5f, 0.85f);
        m.specularChannel(1).brightness = 0.7;
        m.specularChannel(1).sharpness = 50;
        m.setFresnelStart(0.2);
        m.setFresnelEnd(1.0);
    }
    {
        MaterialX& m = plain(scene, "Cartoon Yellow", {1.0f, 0.82f, 0.1f}, 0.6, 40);
        m.setStyle(Material::kCartoon);
        m.lineWidth = 2.0;
    }
}

struct LightRecipe {
    const char* name;
    int type;
    double at[3];  // camera distances; the light looks at the origin
    Colour colour;
    double intensity;
    bool shadow = false;
};

LightX& addLight(SceneX& scene, const LightRecipe& recipe) {
    auto* light = new LightX(scene, recipe.name);
    light->setType(recipe.type);
    light->setFalloff(Light::kNone);
    put(light->color, recipe.colour);
    light->intensity = recipe.intensity;
    light->shadow = recipe.shadow;
    if (recipe.type != Light::kAmbient) {
        light->setMode(Camera::kLookAt);
        for (int i = 0; i < 3; ++i) light->eye[i] = light->translate[i] = recipe.at[i], light->target[i] = 0;
    }
    if (recipe.type == Light::kSpot) light->setSpotAngles(22, 38);
    return *light;
}

const char* const kLightingNames[] = {"Three-Point", "Dramatic Side", "Top-Down Stage",
                                      "Sunset",      "Cool Studio",   "Backlit Rim"};

std::vector<LightRecipe> lightingRecipes(const std::string& name) {
    using L = Light;
    const Colour white{1, 1, 1};
    if (name == "Three-Point")
        return {{"Ambient", L::kAmbient, {}, {0.1f, 0.1f, 0.1f}, 1.0},
                {"Key", L::kPoint, {0.55, 0.55, 0.9}, white, 0.75, true},
                {"Fill", L::kPoint, {-0.8, 0.15, 0.8}, white, 0.3},
                {"Rim", L::kDirectional, {0.0, 0.5, -1.0}, white, 0.6}};
    if (name == "Dramatic Side")
        return {{"Ambient", L::kAmbient, {}, {0.04f, 0.04f, 0.04f}, 1.0},
                {"Side", L::kDirectional, {1.0, 0.15, 0.1}, {1.0f, 0.97f, 0.92f}, 1.15, true},
                {"Kicker", L::kPoint, {-0.5, 0.0, 0.8}, white, 0.1}};
    if (name == "Top-Down Stage")
        return {{"Ambient", L::kAmbient, {}, {0.06f, 0.06f, 0.06f}, 1.0},
                {"Stage Spot", L::kSpot, {0.0, 1.2, 0.35}, {1.0f, 0.96f, 0.88f}, 1.3, true},
                {"Front Wash", L::kPoint, {0.0, 0.1, 1.0}, white, 0.15}};
    if (name == "Sunset")
        return {{"Ambient", L::kAmbient, {}, {0.2f, 0.12f, 0.1f}, 1.0},
                {"Low Sun", L::kDirectional, {0.9, 0.15, 0.4}, {1.0f, 0.55f, 0.28f}, 1.0, true},
                {"Dusk Sky", L::kDirectional, {-0.6, 0.8, 0.4}, {0.35f, 0.3f, 0.62f}, 0.55}};
    if (name == "Cool Studio")
        return {{"Ambient", L::kAmbient, {}, {0.15f, 0.17f, 0.2f}, 1.0},
                {"Key", L::kPoint, {0.4, 0.7, 1.0}, {0.75f, 0.85f, 1.0f}, 0.8, true},
                {"Fill", L::kPoint, {-0.7, 0.3, 0.8}, {0.6f, 0.7f, 0.9f}, 0.4},
                {"Top", L::kDirectional, {0.0, 1.0, 0.0}, {0.85f, 0.9f, 1.0f}, 0.3}};
    if (name == "Backlit Rim")
        return {{"Ambient", L::kAmbient, {}, {0.05f, 0.05f, 0.05f}, 1.0},
                {"Rim Left", L::kDirectional, {-0.8, 0.3, -0.7}, white, 1.0},
                {"Rim Right", L::kDirectional, {0.8, 0.3, -0.7}, white, 1.0, true},
                {"Front Glow", L::kPoint, {0.0, 0.0, 1.0}, white, 0.12}};
    return {};
}

std::string folded(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The library the command line looks names up in, built on first use.
struct Built {
    SceneX scene;
    std::map<std::string, std::unique_ptr<SceneX>> lighting;
    Built() {
        scene.setName("Factory Presets");
        FactoryLibrary::buildMaterials(scene);
        FactoryLibrary::buildObjectStyles(scene);
        FactoryLibrary::buildLights(scene);
        for (const char* name : kLightingNames) {
            auto lights = std::make_unique<SceneX>();
            lights->setName(name);
            FactoryLibrary::buildLightingStyle(name, *lights);
            lighting[name] = std::move(lights);
        }
    }
};

int memberKindOf(FactoryLibrary::Kind kind) {
    return kind == FactoryLibrary::kMaterials ? kMaterialKind
           : kind == FactoryLibrary::kObjectStyles ? kStyleKind
                                                   : kLightKind;
}

std::mutex& builtLock() {
    static std::mutex lock;
    return lock;
}

// Kept for the life of the process: its members must not outlive, at exit, the
// process-wide tables their destructors reach.
Built& built() {
    static Built* library = new Built;
    return *library;
}

}  // namespace

std::vector<std::string> FactoryLibrary::names(Kind kind) {
    std::vector<std::string> out;
    if (kind == kLightingStyles) {
        for (const char* name : kLightingNames) out.push_back(name);
        return out;
    }
    // What the built library holds, in the order it was built.
    std::lock_guard<std::mutex> hold(builtLock());
    SceneX& scene = built().scene;
    int memberKind = memberKindOf(kind);
    for (int i = 0; i < scene.memberCount(memberKind); ++i) out.push_back(scene.member(memberKind, i)->name());
    return out;
}

const char* FactoryLibrary::kindWord(Kind kind) {
    switch (kind) {
        case kMaterials: return "materials";
        case kObjectStyles: return "styles";
        case kLights: return "lights";
        default: return "lighting";
    }
}

bool FactoryLibrary::kindOf(const std::string& word, Kind& kind) {
    const std::string w = folded(word);
    if (w == "material" || w == "materials") kind = kMaterials;
    else if (w == "style" || w == "styles") kind = kObjectStyles;
    else if (w == "light" || w == "lights") kind = kLights;
    else if (w == "lighting" || w == "lightings") kind = kLightingStyles;
    else return false;
    return true;
}

void FactoryLibrary::buildMaterials(SceneX& scene) {
    metal(scene, "Polished Gold", {1.0f, 0.78f, 0.3f}, false);
    metal(scene, "Brushed Gold", {0.95f, 0.72f, 0.28f}, true);
    metal(scene, "Chrome", {0.95f, 0.97f, 1.0f}, false);
    metal(scene, "Brushed Steel", {0.62f, 0.66f, 0.72f}, true);
    metal(scene, "Copper", {0.95f, 0.5f, 0.32f}, false);
    metal(scene, "Antique Bronze", {0.62f, 0.5f, 0.28f}, false);
    glass(scene, "Clear Glass", false);
    glass(scene, "Frosted Glass", true);
    plastic(scene, "Glossy Red Plastic", {0.85f, 0.08f, 0.08f}, true);
    plastic(scene, "Glossy Blue Plastic", {0.1f, 0.25f, 0.85f}, true);
    plastic(scene, "Glossy White Plastic", {0.8f, 0.8f, 0.78f}, true);
    plastic(scene, "Glossy Black Plastic", {0.05f, 0.05f, 0.06f}, true);
    plastic(scene, "Matte Green Plastic", {0.2f, 0.6f, 0.2f}, false);
    plastic(scene, "Matte Orange Plastic", {0.95f, 0.5f, 0.1f}, false);
    plastic(scene, "Matte Purple Plastic", {0.45f, 0.2f, 0.6f}, false);
    patterned(scene);
    emissive(scene, "Neon Pink", {1.0f, 0.2f, 0.75f});
    emissive(scene, "Neon Blue", {0.2f, 0.7f, 1.0f});
}

void FactoryLibrary::buildObjectStyles(SceneX& scene) {
    struct StyleSpec {
        const char* name;
        const char* edge;
        double depth, scale;
    };
    const StyleSpec kStyles[] = {
        {"Soft Bevel", "Bevel, Small", 14, 1.0},          {"Classic Bevel", "Bevel, Medium", 18, 1.0},
        {"Deep Bevel", "Bevel, Large", 22, 1.0},          {"Front Chisel", "Bevel, Medium Front", 18, 1.0},
        {"Sharp Chisel", "Bevel, Large Front", 18, 1.0},  {"Rounded Edge", "Bead, Medium", 18, 1.0},
        {"Small Round", "Bead, Small", 12, 1.0},          {"Double Bevel", "Bead, Double Edge", 22, 1.0},
        {"Inset Rim", "Basic, Highlight Edges", 18, 1.2}, {"Power Bevel", "Bevel, Power", 24, 1.0},
        {"Grooved Rim", "Bevel, Power Grooves", 18, 1.0}, {"Flat Bevel", "Bevel, Flat", 16, 1.0},
    };
    for (const StyleSpec& s : kStyles) {
        auto* style = new ObjectXStyle(scene, s.name);
        style->setPerimeterProfile(s.edge);
        style->setDepth(s.depth);
        style->setPerimeterXScale(s.scale);
    }
}

void FactoryLibrary::buildLights(SceneX& scene) {
    using L = Light;
    const LightRecipe kLights[] = {
        {"Key Light", L::kPoint, {0.5, 0.6, 0.9}, {1, 1, 1}, 0.9, true},
        {"Soft Fill", L::kPoint, {-0.8, 0.2, 0.7}, {1, 1, 1}, 0.35},
        {"Warm Spot", L::kSpot, {0.3, 0.9, 0.8}, {1.0f, 0.8f, 0.55f}, 1.1, true},
        {"Cool Rim", L::kDirectional, {-0.6, 0.4, -0.8}, {0.6f, 0.75f, 1.0f}, 0.9},
        {"Top Light", L::kDirectional, {0.0, 1.0, 0.15}, {1, 1, 1}, 0.8},
        {"Sunlight", L::kDirectional, {0.7, 0.5, 0.5}, {1.0f, 0.92f, 0.78f}, 1.0, true},
        {"Moonlight", L::kDirectional, {-0.5, 0.7, 0.5}, {0.55f, 0.65f, 1.0f}, 0.6},
        {"Red Accent", L::kPoint, {0.9, -0.3, 0.5}, {1.0f, 0.25f, 0.2f}, 0.7},
    };
    for (const LightRecipe& recipe : kLights) addLight(scene, recipe);
}

bool FactoryLibrary::buildLightingStyle(const std::string& name, SceneX& scene) {
    std::vector<LightRecipe> recipes = lightingRecipes(name);
    for (const LightRecipe& recipe : recipes) addLight(scene, recipe);
    return !recipes.empty();
}

FactoryLibrary::Preset FactoryLibrary::findPreset(Kind kind, const std::string& name) {
    std::lock_guard<std::mutex> hold(builtLock());
    Built& library = built();
    Preset preset;
    if (kind == kLightingStyles) {
        auto it = library.lighting.find(name);
        if (it != library.lighting.end()) preset.lighting = it->second.get();
        return preset;
    }
    SceneMember* member = library.scene.findMember(name);
    // Only the kind's own members, under their own names (not an alias left by a rename).
    if (member && member->kind() == memberKindOf(kind) && member->name() == name) preset.member = member;
    return preset;
}

std::vector<std::string> FactoryLibrary::closeNames(const std::string& name, const std::vector<std::string>& known,
                                                    size_t count) {
    const std::string wanted = folded(name);
    std::vector<std::pair<size_t, std::string>> ranked;
    for (const std::string& k : known) {
        std::string f = folded(k);
        // A name that holds what was typed (or is held by it) ranks with the nearest; a
        // slip in one word of a name ("Golld") counts as near as the word.
        size_t d = f.find(wanted) != std::string::npos || wanted.find(f) != std::string::npos ? 0
                                                                                             : editDistance(wanted, f);
        for (size_t start = 0; start < f.size();) {
            size_t end = f.find_first_of(" ,-", start);
            if (end == std::string::npos) end = f.size();
            if (end > start) d = std::min(d, editDistance(wanted, f.substr(start, end - start)) + 1);
            start = end + 1;
        }
        ranked.emplace_back(d, k);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < ranked.size() && out.size() < count; ++i) out.push_back(ranked[i].second);
    return out;
}

}  // namespace fw
