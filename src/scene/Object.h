#pragma once
// A renderable scene member: its derived geometry (bounds, display meshes, world
// vertices and normals, texture gradients) comes from five port families, one port
// per render mode, each fed by the concrete class's geometry through "GeometryInput".

#include <memory>
#include <vector>

#include "scene/DAGNode.h"
#include "scene/OutputPort.h"

namespace fw {

class GeometryInterface;
class PackedObjDB;

// Render modes: which variant of an object's geometry is wanted.
enum RenderMode { kPreviewMode = 0, kRenderMode = 1, kPreview2DMode = 2 };

class Object : public DAGNode {
public:
    // Second flag word bits.
    enum : unsigned { kHasFragments = 32, kIsFragment = 64 };

    // Which parts of a display mesh are wanted; bit 64 forces a rebuild.
    struct DisplayGeometrySettings : Settings {
        enum : unsigned { kPositions = 1, kNormals = 2, kTexture = 4, kForce = 64 };
        explicit DisplayGeometrySettings(unsigned mask = kPositions | kNormals | kTexture) : mask(mask) {}
        bool differs(const Settings& other) const override;
        std::unique_ptr<Settings> clone() const override;
        unsigned mask;
    };

    // World-space arrays are wanted for one world transform; a moved node is a new request.
    struct WorldCoordinateSettings : Settings {
        bool differs(const Settings& other) const override;
        std::unique_ptr<Settings> clone() const override;
        double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    };

    // Every port of the object family reads the concrete class's geometry, a
    // GeometryInterface, through its "GeometryInput" link.
    class GeometryPort : public OutputPort {
    public:
        GeometryPort(Object* owner, const char* name);

    protected:
        const GeometryInterface* geometry();
    };

    // Axis-aligned box of the geometry in object space; empty when there is none.
    class BoundsPort : public GeometryPort {
    public:
        using GeometryPort::GeometryPort;
        bool compute(const Settings* settings) override;
        void* result() override { return box_; }

    private:
        double box_[6];
    };

    // The drawing form of the geometry: one packed vertex per distinct combination.
    class DisplayGeometryPort : public GeometryPort {
    public:
        DisplayGeometryPort(Object* owner, const char* name);
        ~DisplayGeometryPort() override;
        bool compute(const Settings* settings) override;
        void* result() override;
        void reset() override;

    private:
        std::unique_ptr<PackedObjDB> mesh_;
    };

    // Positions carried into world space by the node's world transform.
    class WorldVertexPort : public GeometryPort {
    public:
        using GeometryPort::GeometryPort;
        bool compute(const Settings* settings) override;
        void* result() override { return &points_; }

    private:
        std::vector<double> points_;  // x, y, z per vertex
    };

    // Normals carried into world space (inverse transpose), unit length.
    class WorldNormalPort : public GeometryPort {
    public:
        using GeometryPort::GeometryPort;
        bool compute(const Settings* settings) override;
        void* result() override { return &normals_; }

    private:
        std::vector<double> normals_;
    };

    // Per-position texture-space gradients: how the surface moves along u and along v,
    // the tangent frame that bump and normal maps need.
    class GradientsPort : public GeometryPort {
    public:
        struct Gradients {
            std::vector<double> du;  // x, y, z per position
            std::vector<double> dv;
        };
        using GeometryPort::GeometryPort;
        bool compute(const Settings* settings) override;
        void* result() override { return &gradients_; }

    private:
        Gradients gradients_;
    };

    // The geometry after animation-time deformation: what the renderer draws. The
    // warp deformers plug in here; without any it hands its input on untouched.
    class ObjectDynPort : public GeometryPort {
    public:
        using GeometryPort::GeometryPort;
        bool compute(const Settings* settings) override;
        void* result() override { return const_cast<GeometryInterface*>(geometry_); }

    private:
        const GeometryInterface* geometry_ = nullptr;
    };

    // The geometry with its world-space vertices, normals and gradients, as one result
    // for per-element interpolation (the ray tracer's hit shading). Valid only when all
    // four inputs deliver; its own settings (the world transform) reach the world inputs.
    class ElementInterpPort : public OutputPort {
    public:
        struct Elements {
            const GeometryInterface* geometry = nullptr;
            const std::vector<double>* worldVertices = nullptr;
            const std::vector<double>* worldNormals = nullptr;
            const GradientsPort::Gradients* gradients = nullptr;
        };
        ElementInterpPort(Object* owner, const char* name);
        bool compute(const Settings* settings) override;
        void* result() override { return &elements_; }

    private:
        Elements elements_;
    };

    Object(Scene& scene, const char* name);
    ~Object() override;

    int writeCommands(CommandIO& io) override;
    void registerCommands() override;
    int kind() const override { return DAGNode::kind(); }

    void localBounds(int mode, double box[6]) override;
    // The concrete class's own bounds (for example from its render or preview port).
    void localBounds2(int mode, double box[6]) override = 0;
    virtual const GradientsPort::Gradients* gradients(int mode) = 0;

    bool mappingEnabled() const { return mapEnabled_; }
    void setMappingEnabled(bool on);
    const double* mappingScale() const { return mapScale_; }
    void setMappingScale(const double scale[3]);
    const double* mappingOffset() const { return mapOffset_; }
    void setMappingOffset(const double offset[3]);
    double mapX(double x) const;
    double mapY(double y) const;

    virtual int renderMode(int mode) const { return mode; }
    // Hands each stage the settings its next build needs (from the object and the
    // styles it uses); run before any geometry is asked for.
    virtual void prepareStages() {}
    // The display mesh for a render mode, brought up to date; null when there is none.
    PackedObjDB* displayGeometry(int mode, const Settings* settings = nullptr);

    unsigned objectFlags() const { return objectFlags_; }
    bool testObjectFlags(unsigned bits) const { return (objectFlags_ & bits) != 0; }
    void setObjectFlags(unsigned bits) { objectFlags_ |= bits; }
    void clearObjectFlags(unsigned bits) { objectFlags_ &= ~bits; }

    // Ports by family, for a render mode (0 preview, 1 render, 2 preview 2-D).
    BoundsPort& boundsPort(int mode) { return *bounds_[slot(mode)]; }
    DisplayGeometryPort& displayGeometryPort(int mode) { return *display_[slot(mode)]; }
    WorldVertexPort& worldVertexPort(int mode) { return *worldVertices_[slot(mode)]; }
    WorldNormalPort& worldNormalPort(int mode) { return *worldNormals_[slot(mode)]; }
    GradientsPort& gradientsPort(int mode) { return *gradients_[slot(mode)]; }
    // Every geometry-fed port of a mode, marked stale (the geometry changed).
    void geometryChanged();

    // Warp deformers attached to the object; an object with any needs meshed geometry.
    int deformerCount = 0;
    int fragmentCount = 0;
    int fragmentIndex = 0;
    int animateFragments = 0;
    double hardShadingAngle = -1.0;  // degrees; negative: off

    // Texture placement as stored; the mapping flag, scale and offset above derive from it.
    int mapType = 0;
    double mapRotation = 0.0;  // degrees, in the texture plane
    int mapRepeatX = 1, mapRepeatY = 1;
    int mapMirrorX = 0, mapMirrorY = 0;
    int mapProportional = 1;

private:
    // Ports are kept in the order preview 2-D, preview, render.
    static int slot(int mode) { return mode == kPreview2DMode ? 0 : mode == kRenderMode ? 2 : 1; }
    bool mappingIsDefault() const;

    unsigned objectFlags_ = 128;
    bool mapEnabled_ = false;
    double mapScale_[3] = {1, 1, 1};
    double mapOffset_[3] = {0, 0, 0};
    std::unique_ptr<BoundsPort> bounds_[3];
    std::unique_ptr<DisplayGeometryPort> display_[3];
    std::unique_ptr<WorldVertexPort> worldVertices_[3];
    std::unique_ptr<WorldNormalPort> worldNormals_[3];
    std::unique_ptr<GradientsPort> gradients_[3];
};

}  // namespace fw
