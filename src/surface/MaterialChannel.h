#pragma once
// One channel of a material (colour, specular, bump, transparency or reflectivity):
// an ordered stack of layers, index 0 on top, combined into one colour per point of
// texture space. Each kind adds its own settings.

#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "surface/Rgba.h"
#include "surface/ShaderBlock.h"

namespace fw {

class Scene;

class MaterialChannel : public CommandEnabler {
public:
    enum Kind { kColor = 0, kSpecular, kBump, kTransparency, kReflectivity, kKinds };

    // Makes the channel of the kind whose block class name this is; null for any other name.
    static std::unique_ptr<MaterialChannel> create(const char* className, Scene* scene);
    static std::unique_ptr<MaterialChannel> create(int kind, Scene* scene);
    static const char* kindClassName(int kind);

    MaterialChannel(int kind, Scene* scene, Rgba preset);
    MaterialChannel(const MaterialChannel&) = delete;
    MaterialChannel& operator=(const MaterialChannel&) = delete;

    // The kind's own lines, then "active" and the layers.
    int writeCommands(CommandIO& io) override;
    // Registers the base keywords; each kind's constructor calls it through its own
    // override so that every keyword lands in the kind's table.
    virtual void registerCommands();

    int kind() const { return kind_; }
    Scene* scene() const { return scene_; }

    // Back to the kind's defaults: no layers, active.
    virtual void reset();
    // Contributes nothing, so renderers and mesh builders skip it.
    virtual bool isTrivial() const = 0;
    // False (and nothing copied) when `other` is another kind.
    bool copyFrom(const MaterialChannel& other);
    bool equals(const MaterialChannel& other) const;
    // Passes the notice of a change to every layer and so to their shaders.
    virtual void notifyChange();
    void markUsed();
    // Transparency and reflectivity spread their rays; the others have none to cap.
    virtual void clampRays(int /*cap*/) {}

    // Layers, index 0 on top.
    int layerCount() const { return static_cast<int>(layers_.size()); }
    ShaderBlock& layer(int index) { return *layers_[index]; }
    const ShaderBlock& layer(int index) const { return *layers_[index]; }
    // Inserts a new layer at `index` (clamped; -1 appends at the bottom) and returns it.
    ShaderBlock& addLayer(int index = -1);
    bool removeLayer(int index);
    bool moveLayer(int from, int to);
    void clearLayers();
    // Whether some layer is active and holds a shader.
    bool hasActiveLayers() const;
    // The first layer whose colour comes from an image map, or -1.
    int findImageLayer() const;
    // Points the image layer (found, or added at the bottom) at the named map or file.
    // A name beginning with "|ExtMap" names an image map of the scene; any other name
    // an image file, by member name or by path (made when no file has it), shown
    // through a map of its own. Null without a scene.
    ShaderBlock* setImageLayer(const std::string& mapOrFile);

    // The base-colour layer: a flat colour, outside the layer list and not stored.
    const ShaderBlock& baseLayer() const { return baseLayer_; }
    // The colour of the base-colour layer.
    virtual Rgba baseColor() const;

    // Combines the layers into one colour over a footprint, starting from `base`
    // (none: transparent black). An inactive channel gives 0, 0, 0, 0. Unless
    // `fullWalk`, layers under the first opaque Normal layer are not evaluated.
    Rgba evaluate(const Shader::Footprint& footprint, const Rgba* base, bool fullWalk = false) const;
    // The same from the channel's own starting colour (the colour channel's base colour).
    Rgba evaluate(const Shader::Footprint& footprint, bool fullWalk = false) const;

    bool active = true;

protected:
    // The channel's starting colour for evaluate, or null.
    virtual const Rgba* startColor(Rgba& storage) const;
    virtual bool sameFields(const MaterialChannel& other) const = 0;
    virtual void copyFields(const MaterialChannel& other) = 0;
    virtual int writeFields(CommandIO& io) = 0;
    void setBaseColor(const Rgba& color);

private:
    int kind_;
    Scene* scene_;
    std::vector<std::unique_ptr<ShaderBlock>> layers_;
    ShaderBlock baseLayer_;
};

}  // namespace fw
