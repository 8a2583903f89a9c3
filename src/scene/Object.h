#pragma once
// A renderable scene member: its derived geometry (bounds, display meshes, world
// vertices and normals, texture gradients) comes from five port families, one port
// per render mode, each fed by the concrete class's geometry through "GeometryInput".

#include <array>
#include <memory>
#include <vector>

#include "scene/DAGNode.h"
#include "scene/Port.h"
#include "scene/Quality.h"

namespace fw {

class GeometryInterface;
class ObjDB;
class Object;
class PackedObjDB;

// Bends an object's geometry at animation time, after it is built (a flag's cloth
// carrying a title's letters). Held shared, so a warp outlives whoever made it.
class GeometryWarp {
public:
    virtual ~GeometryWarp() = default;
    // `in` bent into `out` (empty on entry), both in the object's own space.
    virtual void apply(Object& object, const GeometryInterface& in, ObjDB& out) const = 0;
};

class Object : public DAGNode {
public:
    // Second flag word bits.
    enum : unsigned { kHasFragments = 32, kIsFragment = 64 };

    // Which parts of a display mesh are wanted; bit 64 forces a rebuild.
    struct DisplayGeometrySettings {
        enum : unsigned { kPositions = 1, kNormals = 2, kTexture = 4, kForce = 64 };
        explicit DisplayGeometrySettings(unsigned mask = kPositions | kNormals | kTexture) : mask(mask) {}
        // A forced request never matches, so it always rebuilds.
        bool operator==(const DisplayGeometrySettings& o) const {
            return !(mask & kForce) && !(o.mask & kForce) && mask == o.mask;
        }
        unsigned mask;
    };

    // World-space arrays are wanted for one world transform; a moved node is a new request.
    struct WorldCoordinateSettings {
        bool operator==(const WorldCoordinateSettings&) const = default;
        double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    };

    // Axis-aligned box: x, y, z minima, then maxima (see emptyBox and growBox).
    using Box = std::array<double, 6>;

    // Per-position texture-space gradients: how the surface moves along u and along v,
    // the tangent frame that bump and normal maps need.
    struct Gradients {
        std::vector<double> du;  // x, y, z per position
        std::vector<double> dv;
    };

    // Every port of the object family reads the concrete class's geometry through its
    // "GeometryInput" link, with the settings of whatever builds that geometry.
    template <class T, class S = NoSettings>
    class GeometryPort : public Port<T, S> {
    public:
        GeometryPort(Object* owner, const char* name) : Port<T, S>(owner, name) {}
        Input<GeometryInterface> geometryInput{this, "GeometryInput"};

    protected:
        const GeometryInterface* geometry() { return geometryInput.value(); }
        Object& object() { return static_cast<Object&>(*this->owner()); }
    };

    // Axis-aligned box of the geometry in object space; empty when there is none.
    class BoundsPort : public GeometryPort<Box> {
    public:
        using GeometryPort::GeometryPort;
        Box* result() override { return &box_; }

    protected:
        bool compute(const NoSettings* settings) override;

    private:
        Box box_{};
    };

    // The drawing form of the geometry: one packed vertex per distinct combination.
    // A geometry that is packed already, and would pack to itself, is read where it
    // lies rather than copied (a text's solids are most of a title's memory); readers
    // of the display mesh only read it.
    class DisplayGeometryPort : public GeometryPort<PackedObjDB, DisplayGeometrySettings> {
    public:
        DisplayGeometryPort(Object* owner, const char* name);
        ~DisplayGeometryPort() override;
        PackedObjDB* result() override { return shared_ ? shared_ : mesh_.get(); }
        void reset() override;

    protected:
        bool compute(const DisplayGeometrySettings* settings) override;

    private:
        std::unique_ptr<PackedObjDB> mesh_;
        PackedObjDB* shared_ = nullptr;  // the source's own mesh, when it serves as it is
    };

    // Positions carried into world space by the node's world transform (or the
    // transform the settings name).
    class WorldVertexPort : public GeometryPort<std::vector<double>, WorldCoordinateSettings> {
    public:
        using GeometryPort::GeometryPort;
        std::vector<double>* result() override { return &points_; }

    protected:
        bool compute(const WorldCoordinateSettings* settings) override;

    private:
        std::vector<double> points_;  // x, y, z per vertex
    };

    // Normals carried into world space (inverse transpose), unit length.
    class WorldNormalPort : public GeometryPort<std::vector<double>, WorldCoordinateSettings> {
    public:
        using GeometryPort::GeometryPort;
        std::vector<double>* result() override { return &normals_; }

    protected:
        bool compute(const WorldCoordinateSettings* settings) override;

    private:
        std::vector<double> normals_;
    };

    class GradientsPort : public GeometryPort<Gradients> {
    public:
        using Gradients = Object::Gradients;
        using GeometryPort::GeometryPort;
        Gradients* result() override { return &gradients_; }

    protected:
        bool compute(const NoSettings* settings) override;

    private:
        Gradients gradients_;
    };

    // The geometry after animation-time deformation: what the renderer draws. The
    // warp deformers plug in here; without any it hands its input on untouched, with
    // the settings of the builder before it.
    class ObjectDynPort : public GeometryPort<GeometryInterface, AnySettings> {
    public:
        ObjectDynPort(Object* owner, const char* name);
        ~ObjectDynPort() override;
        GeometryInterface* result() override { return const_cast<GeometryInterface*>(geometry_); }

    protected:
        bool compute(const Settings* settings) override;

    private:
        const GeometryInterface* geometry_ = nullptr;
        std::unique_ptr<ObjDB> warped_;
    };

    // The geometry with its world-space vertices, normals and gradients, as one result
    // for per-element interpolation (the ray tracer's hit shading). Valid only when all
    // four inputs deliver; its own settings (the world transform) reach the world inputs.
    struct Elements {
        const GeometryInterface* geometry = nullptr;
        const std::vector<double>* worldVertices = nullptr;
        const std::vector<double>* worldNormals = nullptr;
        const Gradients* gradients = nullptr;
    };
    class ElementInterpPort : public Port<Elements, WorldCoordinateSettings> {
    public:
        using Elements = Object::Elements;
        using Port::Port;
        Elements* result() override { return &elements_; }
        Input<GeometryInterface> geometryInput{this, "GeometryInput"};
        Input<std::vector<double>> worldVertices{this, "WorldVerticesInput"};
        Input<std::vector<double>> worldNormals{this, "WorldNormalsInput"};
        Input<Gradients> gradientsInput{this, "GradientsInput"};

    protected:
        bool compute(const WorldCoordinateSettings* settings) override;

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
    virtual const Gradients* gradients(int mode) = 0;

    bool mappingEnabled() const { return mapEnabled_; }
    void setMappingEnabled(bool on);
    const double* mappingScale() const { return mapScale_; }
    void setMappingScale(const double scale[3]);
    const double* mappingOffset() const { return mapOffset_; }
    void setMappingOffset(const double offset[3]);
    double mapX(double x) const;
    double mapY(double y) const;
    // Whether the texture placement is still the automatic fit (then it is not stored).
    bool mappingIsDefault() const;

    virtual int renderMode(int mode) const { return mode; }
    // Hands each stage the settings its next build needs (from the object and the
    // styles it uses); run before any geometry is asked for.
    virtual void prepareStages() {}
    // The display mesh for a render mode, brought up to date; null when there is none.
    PackedObjDB* displayGeometry(int mode, const DisplayGeometrySettings* settings = nullptr);

    unsigned objectFlags() const { return objectFlags_; }
    bool testObjectFlags(unsigned bits) const { return (objectFlags_ & bits) != 0; }
    void setObjectFlags(unsigned bits) { objectFlags_ |= bits; }
    // A stored 0 or 1 line read into flag `Bit`: one reader for every kind of object's table.
    template <unsigned Bit>
    static int readFlagLine(CommandIO& io, CommandEnabler& r) {
        return readFlagBit(io, r, Bit);
    }
    static int readFlagBit(CommandIO& io, CommandEnabler& r, unsigned bit);
    void clearObjectFlags(unsigned bits) { objectFlags_ &= ~bits; }

    // Ports by family, for a render mode (0 preview, 1 render, 2 preview 2-D).
    BoundsPort& boundsPort(int mode) { return *bounds_[slot(mode)]; }
    DisplayGeometryPort& displayGeometryPort(int mode) { return *display_[slot(mode)]; }
    WorldVertexPort& worldVertexPort(int mode) { return *worldVertices_[slot(mode)]; }
    WorldNormalPort& worldNormalPort(int mode) { return *worldNormals_[slot(mode)]; }
    GradientsPort& gradientsPort(int mode) { return *gradients_[slot(mode)]; }
    // Every geometry-fed port of a mode, marked stale (the geometry changed).
    void geometryChanged();

    // Bends the geometry from now on (null: none); the deformed geometry is rebuilt.
    void setWarp(std::shared_ptr<const GeometryWarp> warp);
    const GeometryWarp* warp() const { return warp_.get(); }

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

    unsigned objectFlags_ = 128;
    bool mapEnabled_ = false;
    double mapScale_[3] = {1, 1, 1};
    double mapOffset_[3] = {0, 0, 0};
    std::unique_ptr<BoundsPort> bounds_[3];
    std::unique_ptr<DisplayGeometryPort> display_[3];
    std::unique_ptr<WorldVertexPort> worldVertices_[3];
    std::unique_ptr<WorldNormalPort> worldNormals_[3];
    std::unique_ptr<GradientsPort> gradients_[3];
    std::shared_ptr<const GeometryWarp> warp_;
    std::vector<ObjectDynPort*> dynPorts_;  // the concrete class's, which the warp feeds
};

}  // namespace fw
