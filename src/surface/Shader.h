#pragma once
// A procedural shader: a colour for every point of 2D texture space, evaluated over
// footprints (small rectangles) when material channels are baked into textures.
// Every shader may carry its own placement in texture space.

#include <memory>

#include "persistence/CommandEnabler.h"
#include "surface/Placement.h"
#include "surface/Rgba.h"

namespace fw {

class Scene;

class Shader : public CommandEnabler {
public:
    enum Kind { kColor = 1, kGradient = 2, kImage = 3, kLayerMap = 4, kNoisePerlin = 5, kNoiseWorley = 6, kGrid = 7 };

    // Lower and upper corners of a rectangle of texture space.
    struct Footprint {
        double u0, v0, u1, v1;
    };

    explicit Shader(int kind) : kind_(kind) {}

    // Makes the shader whose block class name this is (both "ShaderNoise" and
    // "ShaderNoisePerlin" make cloudy noise); null for a name that is no shader.
    // Image shaders find their maps in `scene`.
    static std::unique_ptr<Shader> create(const char* className, Scene* scene);

    // The transform line, only when the placement is not the identity.
    int writeCommands(CommandIO& io) override;
    // Registers the base keywords; each kind's constructor calls it through its own
    // override so that every keyword lands in the kind's table.
    virtual void registerCommands();

    int kind() const { return kind_; }
    bool hasTransform() const { return hasTransform_; }
    const Placement& placement() const { return placement_; }
    void setPlacement(const Placement& placement);

    // Back to the kind's defaults, placement included.
    virtual void reset();
    // False (and nothing copied) when `other` is another kind.
    bool copyFrom(const Shader& other);
    bool equals(const Shader& other) const;

    // The colour over a footprint. In alpha mode r, g and b become the brightness
    // of the premultiplied colour; otherwise the colour comes out non-premultiplied.
    Rgba evaluate(const Footprint& footprint, bool alphaMode = false) const;
    Rgba evaluateAt(double u, double v, bool alphaMode = false) const;
    // Bakes width x height texels (rows bottom-up, four floats each) covering the
    // unit square, rows spread over `threads` threads (0: as many as OpenMP offers).
    void bake(int width, int height, bool alphaMode, float* rgba, int threads = 0) const;

    // The factor by which a layer's blur is scaled for this shader.
    virtual double sampleScale() const { return 1.0; }
    virtual double previewSize() const { return 200.0; }
    // Texels across and up; kinds without a size of their own report a huge one.
    virtual void naturalSize(int& width, int& height) const;
    // Brings derived state (cached brightness, noise tables, curves) up to date after
    // fields were changed; readers call it for every value they read.
    virtual void notifyChange() {}
    // Marks the scene members the shader refers to as in use.
    virtual void markUsed() {}

protected:
    // The kind's premultiplied colour over an already placed footprint.
    virtual Rgba shade(const Footprint& footprint) const = 0;
    // `other` is of the same kind.
    virtual bool sameFields(const Shader& other) const = 0;
    virtual void copyFields(const Shader& other) = 0;
    // The kind's own lines, after the transform line.
    virtual int writeFields(CommandIO& io) = 0;

private:
    int kind_;
    bool hasTransform_ = false;
    Placement placement_;
    glm::dmat4 matrix_{1.0};  // the placement's matrix, kept for evaluation
};

}  // namespace fw
