#pragma once
// The per-pixel lighting program: one vertex and one fragment program, compiled and
// linked once per context, with its samplers bound to fixed texture units and its
// uniforms' locations looked up once after linking. It reads the lights from the
// fixed-function light slots, which `begin` fills.

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

#include "render/DrawList.h"

#include "render/MaterialTextures.h"
#include "render/ShadowPass.h"

namespace fw {

struct LightSlots;

class LightingProgram {
public:
    enum Unit {
        kColorUnit = 0,
        kSpecularUnit = 1,
        kBumpUnit = 2,
        kReflectionUnit = 3,
        kShadowUnit = 4,
        kColorUnit2 = 5,
        kSpecularUnit2 = 6,
        kBumpUnit2 = 7,
        kReflectionUnit2 = 8,
        kLayerUnit1 = 9,  // the colour textures of a stack's second to fourth items
    };
    static constexpr int kMaxLayers = 4;
    static const char* const kVertexText;
    static const char* const kFragmentText;

    // Variants, combined as bits: the stacked one also maps by projection and blends
    // further stack items; the cartoon one lights in a few flat bands with a hard
    // highlight; the bumped, reflective and specular-mapped ones read those channels;
    // the Fresnel one lights a second surface and blends the two by the viewing angle;
    // the spot-lit one has spot lights' cones among its lights. The plain one leaves
    // them all out, since a software rasteriser pays for every instruction of a
    // branch whether or not it is taken.
    enum Variant {
        kPlain = 0,
        kStacked = 1,
        kCartoon = 2,
        kBumped = 4,
        kReflective = 8,
        kSpecularMapped = 16,
        kFresnel = 32,
        kSpotLit = 64,
        kVariants = 128
    };
    // Compiles and links; false with the compiler's or linker's log in `error`.
    bool build(std::string& error, int variant = kPlain, const char* vertexText = kVertexText,
               const char* fragmentText = kFragmentText);
    // The bumped, reflective, specular-mapped and Fresnel bits a material needs.
    static int detailsOf(const BakedMaterial& material);
    // Whether a part's stack needs the stacked variant.
    static bool needsStack(const std::vector<DrawList::Layer>& layers);
    void release();
    unsigned id() const { return program_; }

    // Puts the slots' lights where the program reads them, placed in eye space through
    // the camera's `view`, and the program in use for a frame seen from `eye`.
    void begin(const LightSlots& slots, const glm::mat4& view, const glm::vec3& eye);
    // Back in use later in the same frame, with what begin and setShadow gave it.
    void use();
    // The shadow map to read, with the frame's depth bias; null: nothing is shadowed.
    void setShadow(const ShadowPass::Fit* shadow, unsigned texture, double offset);
    // The object's placement and the fade its animation gives it (1: none).
    void setObject(const glm::mat4& world, float opacity = 1.0f);
    // A part's material: its amounts, switches and uploaded textures, lit at least by
    // the `ambient` light.
    void setMaterial(const BakedMaterial& material, const MaterialTextures::Ids& textures, const float ambient[4]);
    // How the part's stack maps, tiles and blends its items (empty: the mesh's own
    // coordinates, one item); the further items' colour textures come from `textures`.
    void setLayers(const std::vector<DrawList::Layer>& layers, MaterialTextures& textures);
    // Back to fixed-function drawing, with no shadow map left bound.
    void end();

private:
    // -1 where the program has no such uniform (an unused one is optimised away).
    struct SurfaceUniforms {
        int opacity = -1, specular = -1, specularTexture = -1, bumpOffset = -1, bump = -1, reflection = -1;
    };
    struct Uniforms {
        int modelview = -1, normal = -1, visibility = -1, lightTypes = -1, lightCount = -1, camera = -1;
        int lighting = -1, color = -1, fresnelStart = -1, fresnelEnd = -1, fresnelTightness = -1;
        SurfaceUniforms surface[2];
        int shadowLight = -1, shadowMatrix = -1, shadowDarkness = -1, shadowLx = -1, shadowLy = -1, shadowDx = -1,
            shadowDy = -1, shadowFocal = -1, shadowNear = -1, shadowFar = -1, shadowDepth = -1, shadowOffset = -1,
            taps = -1, tapStep = -1, tapWeights = -1;
        int layerCount = -1, layerMapping = -1, layerTiling = -1, layerBlend = -1, layerAmount = -1,
            layerOpacity = -1, layerScale = -1, layerSpace = -1, layerUV = -1, viewport = -1;
    };
    void lookUpUniforms();
    void placeLights(const LightSlots& slots, const glm::mat4& view);

    unsigned program_ = 0;
    unsigned samplers_[4] = {};  // by tiling style: None, Repeat, Mirror, NoneClip
    unsigned environment_ = 0;   // the reflection maps' units
    Uniforms uniforms_;
};

}  // namespace fw
