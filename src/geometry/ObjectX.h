#pragma once
// The extruded object: a flat outline (its face: a profile or text) turned into a
// bevelled solid by its extrusion style. Three stages of ports, each at the three
// qualities, build the face contours, the caps and the whole solid, and rebuild only
// when their settings or inputs change.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/SolidBuilder.h"
#include "mesh/PackedObjDB.h"
#include "scene/Object.h"

namespace fw {

class ObjectXStyle;
class Profile;

class ObjectX : public Object {
public:
    // What the face stage builds for.
    struct FaceSettings : Settings {
        double hardAngle = 30, tolerance = 0.5, spikeAngle = 0, pullBack = 0.1, faceOffset = 0;
        int faceMode = 2;
        bool tube = false;
        int steps = 20;
        bool meshFlag = false;
        bool keepStraightRuns = false;  // meshing is on
        bool differs(const Settings& other) const override;
        std::unique_ptr<Settings> clone() const override;
    };

    // What the cap and solid stages build for: the style's and the object's values.
    struct GeometrySettings : Settings {
        double depth = 8, perimeterXScale = 1, holeXScale = 1;
        unsigned parts = 15;
        double hardAngle = 30, maxSideSegment = 0, faceOffset = 0;
        double tileSize[2] = {0, 0};
        int frontPart = 0, backPart = 1;
        const ObjectXStyle* style = nullptr;
        uint32_t capChanges = 0, sideChanges = 0;
        // Revolved solids and tubes: the style's kind, axis, turn and end caps, and the
        // object's step count (segments per turn, sides around a tube).
        int kind = 0, buildAxis = 3, steps = 20;
        double angleStart = 0, angleEnd = 360;
        int headCap = 2, tailCap = 2;
        double headCapScale = 50, headCapOffset = 0, tailCapScale = 50, tailCapOffset = 0;
        bool differs(const Settings& other) const override;
        std::unique_ptr<Settings> clone() const override;
    };

    // The face: closed contours, outer counter-clockwise and holes clockwise, moved
    // into the material by the face offset.
    class FacePort : public OutputPort {
    public:
        FacePort(ObjectX* owner, const char* name);
        bool compute(const Settings* settings) override;
        void* result() override { return &contours_; }

    private:
        std::vector<SolidBuilder::Contour> contours_;
    };

    // The caps alone (front/back geometry) or the whole solid.
    class SolidPort : public OutputPort {
    public:
        SolidPort(ObjectX* owner, const char* name, bool capsOnly);
        bool compute(const Settings* settings) override;
        void* result() override { return static_cast<GeometryInterface*>(&mesh_); }

    private:
        bool capsOnly_;
        PackedObjDB mesh_;
    };

    static constexpr int kFrontPart = 0, kBackPart = 1, kPerimeterPart = 2, kHolePart = 3;

    ObjectX(Scene& scene, const char* name);
    ~ObjectX() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ObjectX"; }
    void registerCommands() override;
    void markUsed() override;
    void localBounds2(int mode, double box[6]) override { localBounds(mode, box); }
    const GradientsPort::Gradients* gradients(int mode) override;
    void prepareStages() override;
    void postLoad() override { connectStages(); }

    // The face by name (a profile of the scene); its ports are connected at once.
    void setFace(const std::string& name);
    std::string faceName();
    // The style by name; "defaultObjXStyle" when the scene has no such style.
    void setStyle(const std::string& name);
    const std::string& styleName() const { return style_; }
    ObjectXStyle* style() const;
    void setSmoothness(int mode, double smoothness);

    // Where the builders' diagnostics go (missing normals, cap cuts that do not pair
    // up); nowhere unless set. They never reach the user.
    static void setConsole(std::FILE* console);
    static std::FILE* console();

    // Older files store flatness instead of smoothness.
    static double smoothnessFromFlatness(double flatness, bool render);

    // Deformers bend the solid between its vertices, so an object that has any meshes
    // its caps and sides: meshing comes on for good, with tiles and side segments no
    // larger than deformers need. Run before every build.
    void meshForDeformers();

    double smoothnessPreview = 20.0, smoothnessRender = 50.0;
    int selected = 0;
    bool meshingOn = false;
    double draftTileResolution[2] = {25, 25}, bestTileResolution[2] = {15, 15};
    double draftEdgeMeshing = 10.0, bestEdgeMeshing = 5.0;

private:
    void connectStages();
    // The ports that read the (deformed) solid through their "GeometryInput".
    std::vector<OutputPort*> geometryUsers(int mode);
    FacePort& facePort(int mode) { return *faces_[slot(mode)]; }
    static int slot(int mode) { return mode < 0 || mode > 2 ? 0 : mode; }

    NameReference face_;
    std::string style_ = "defaultObjXStyle";
    std::unique_ptr<FacePort> faces_[3];
    std::unique_ptr<SolidPort> caps_[3];
    std::unique_ptr<SolidPort> solids_[3];
    std::unique_ptr<ObjectDynPort> deformed_[3];
    std::unique_ptr<ElementInterpPort> elements_[3];
};

}  // namespace fw
