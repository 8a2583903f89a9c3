#pragma once
// One material assignment of a material stack: the material (by name), how its
// textures are mapped onto the surface and tiled, and how it blends onto the items
// under it.

#include <string>

#include "persistence/CommandEnabler.h"
#include "scene/NameReference.h"
#include "surface/BlendMode.h"
#include "surface/NameTable.h"
#include "surface/Placement.h"
#include "surface/TextureMapping.h"

namespace fw {

class Material;
class Scene;

class MaterialStackItem : public CommandEnabler {
public:
    // The styles are the renderers' own, so that an item means the same to both.
    using Mapping = TextureMapping::Style;
    using Tiling = TextureMapping::Tiling;
    using enum TextureMapping::Style;
    using enum TextureMapping::Tiling;

    static const NameTable kMappingNames;  // the "...Local" names read as their plain styles
    static const NameTable kTilingNames;
    static int mappingValue(const char* name);

    // The focal factor of the Camera mapping for the default lens (50 mm on 35 mm film).
    static constexpr double kDefaultLensFactor = 50.0 / 17.5;

    explicit MaterialStackItem(Scene& scene);
    // An assigned item keeps its own scene and names the same material there.
    MaterialStackItem(const MaterialStackItem& other);
    MaterialStackItem& operator=(const MaterialStackItem& other);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialStackItem"; }

    Scene& scene() const { return *scene_; }
    // The material, held by name so that renames are followed; null when no
    // material holds the name.
    Material* material() const;
    std::string materialName() const;
    void setMaterial(const std::string& name);
    void markUsed();

    bool hasTransform() const { return hasTransform_; }
    const Placement& transform() const { return transform_; }
    void setTransform(const Placement& transform);
    bool hasObjectMatrix() const;

    bool operator==(const MaterialStackItem& other) const;

    // Texture coordinates of a surface point by the mapping style, before tiling.
    // `point` and `normal` are in the object's space, `meshUV` the mesh's own
    // coordinates (UV and UVP). The Camera style wants `point` in camera space.
    void mapPoint(const double point[3], const double normal[3], const double meshUV[2], double& u, double& v,
                  double lensFactor = kDefaultLensFactor) const;
    // Tiling of mapped coordinates; false where NoneClip leaves the point uncovered.
    // With `clampNone`, None clamps coordinates outside 0..1.
    bool tile(double& u, double& v, bool clampNone = false) const;
    // mapPoint, the item's own transform when it has one, then tile.
    bool textureCoordinates(const double point[3], const double normal[3], const double meshUV[2], double& u,
                            double& v, bool clampNone = false, double lensFactor = kDefaultLensFactor) const;

    // The angle approximations of the mapping styles.
    static double fastAtan2(double y, double x);
    static double fastAsin(double y);

    bool applySpread = false;
    double applyWidth = 100.0;
    double applyHeight = 100.0;
    double applyCenter[3] = {0, 0, 0};
    double applyObjectMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // row by row
    int mappingStyle = kUVP;
    int blendingStyle = BlendMode::kNormal;
    double blendingAmount = 1.0;
    int tilingStyle = kRepeat;
    double tilingX = 1.0;
    double tilingY = 1.0;

private:
    void registerCommands();
    void scales(double& su, double& sv) const;

    Scene* scene_;
    NameReference material_;
    bool hasTransform_ = false;
    Placement transform_;
};

}  // namespace fw
