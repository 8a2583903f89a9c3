#pragma once
// The extruded object: a flat outline (its face: a profile or text) turned into a
// bevelled solid by its extrusion style. Its stages are ports, one of each per quality
// (named "Preview…", "Render…", "Preview2D…"); each rebuilds only when its settings
// or an input changed. Following one quality down the chain:
//
//   face profile  "…FlattenedProfile"   Port<ProfileGeometry, Profile::FlattenedProfileSettings>
//   → FacePort    "…Face"               Port<Contours, FaceSettings>
//   → CapsPort    "…FrontBackGeometry"  Port<GeometryInterface, GeometrySettings>
//   → SolidPort   "…Geometry"           Port<GeometryInterface, GeometrySettings>
//                  (also reads the face and the style's two flattened edge profiles,
//                   ObjectXStyle::FlattenedProfilePort, Port<ProfileGeometry, ...>)
//   → Object::ObjectDynPort "…DynGeometry"  the deformed solid, Port<GeometryInterface, AnySettings>
//   → Object's bounds, display geometry, world vertices and normals, gradients, and
//     ElementInterpPort, each reading it through "GeometryInput"
//
// prepareStages hands every stage and link its settings before geometry is asked for;
// connectStages wires the inputs by name (again after loading, once the face exists).

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/SolidBuilder.h"
#include "mesh/PackedObjDB.h"
#include "profile/ProfileGeometry.h"
#include "scene/Object.h"

namespace fw {

class ObjectXStyle;
class Profile;

class ObjectX : public Object {
public:
    // The face as closed contours (or open paths for tubes).
    using Contours = std::vector<SolidBuilder::Contour>;

    // What the face stage builds for.
    struct FaceSettings {
        double hardAngle = 30, tolerance = 0.5, spikeAngle = 0, pullBack = 0.1, faceOffset = 0;
        int faceMode = 2;
        bool tube = false;
        int steps = 20;
        bool meshFlag = false;
        bool keepStraightRuns = false;  // meshing is on
        bool operator==(const FaceSettings&) const = default;
    };

    // What the cap and solid stages build for: the style's and the object's values.
    struct GeometrySettings {
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
        bool operator==(const GeometrySettings&) const = default;
    };

    // The face: closed contours, outer counter-clockwise and holes clockwise, moved
    // into the material by the face offset.
    class FacePort : public Port<Contours, FaceSettings> {
    public:
        FacePort(ObjectX* owner, const char* name);
        Contours* result() override { return &contours_; }
        void reset() override { Contours().swap(contours_); }
        Input<ProfileGeometry> outlineInput{this, "FlattenedProfileInput"};

    protected:
        bool compute(const FaceSettings* settings) override;

    private:
        Contours contours_;
    };

    // What the cap and solid stages share: a packed mesh built by the style's builder.
    class SolidStage : public Port<GeometryInterface, GeometrySettings> {
    public:
        SolidStage(ObjectX* owner, const char* name);
        GeometryInterface* result() override { return &mesh_; }
        PackedObjDB& mesh() { return mesh_; }

    protected:
        // Builds the parts `partMask` allows of the face; without edge profiles only caps.
        bool build(const Contours* face, const ProfileGeometry* perimeter, const ProfileGeometry* hole,
                   const GeometrySettings* settings, unsigned partMask);

    private:
        PackedObjDB mesh_;
    };

    // The front and back caps alone: a stage of their own, built before the sides.
    class CapsPort : public SolidStage {
    public:
        using SolidStage::SolidStage;
        Input<Contours> faceInput{this, "FaceInput"};
        void reset() override;

    protected:
        bool compute(const GeometrySettings* settings) override;
    };

    // The whole solid: caps, and the sides swept along the style's edge profiles.
    class SolidPort : public SolidStage {
    public:
        using SolidStage::SolidStage;
        Input<GeometryInterface> capsInput{this, "FrontBackGeometryInput"};
        Input<Contours> faceInput{this, "FaceInput"};
        Input<ProfileGeometry> perimeterInput{this, "FlattenedPerimeterProfileInput"};
        Input<ProfileGeometry> holeInput{this, "FlattenedHoleProfileInput"};

    protected:
        bool compute(const GeometrySettings* settings) override;
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
    const Gradients* gradients(int mode) override;
    void prepareStages() override;
    void postLoad() override { connectStages(); }

    // The render solid of a quality, brought up to date (stages prepared first); null
    // when there is none.
    GeometryInterface* solid(int mode);

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

    // The face stage's work: the flattened outline turned into face contours.
    static void buildFace(const ProfileGeometry& outline, const FaceSettings& settings, Contours& out);
    // The cap and solid stages' work, plain data in and a finished mesh out: the parts
    // of the face the settings name, swept along the edge profiles (flat sides when
    // empty). False when an element could not be packed.
    static bool buildMesh(const Contours& face, const SolidBuilder::Contour& perimeter, const SolidBuilder::Contour& hole,
                          const GeometrySettings& settings, PackedObjDB& out);

    // Brings the solids of many objects at one quality up to date at once: the stages
    // a port would compute are built on several threads from data gathered here, and
    // handed to the ports on this thread. Objects it cannot batch are left to their
    // ports, which build them when asked.
    static void buildSolids(const std::vector<ObjectX*>& objects, int mode);
    // Threads for buildSolids: 0 lets OpenMP choose (OMP_NUM_THREADS), 1 builds on the
    // calling thread.
    static void setBuildThreads(int threads);
    static int buildThreads();

    // Older files store flatness instead of smoothness.
    static double smoothnessFromFlatness(double flatness, bool render);
    // The finest smoothness an object (extruded or primitive) is built at: its
    // flattening tolerance and its steps around a curve follow from it, and past this
    // a solid's triangles outgrow memory. Larger values read from a file are held to it.
    static constexpr double kMaxSmoothness = 200;
    // Either smoothness as an object keeps it: at most kMaxSmoothness, and that for a
    // value that is not a number.
    static double heldSmoothness(double smoothness) { return smoothness <= kMaxSmoothness ? smoothness : kMaxSmoothness; }

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
    // The links through which the object's ports read the (deformed) solid.
    std::vector<Input<GeometryInterface>*> geometryInputs(int mode);
    FacePort& facePort(int mode) { return *faces_[slot(mode)]; }
    static int slot(int mode) { return mode < 0 || mode > 2 ? 0 : mode; }

    NameReference face_;
    std::string style_ = "defaultObjXStyle";
    std::unique_ptr<FacePort> faces_[3];
    std::unique_ptr<CapsPort> caps_[3];
    std::unique_ptr<SolidPort> solids_[3];
    std::unique_ptr<ObjectDynPort> deformed_[3];
    std::unique_ptr<ElementInterpPort> elements_[3];
};

}  // namespace fw
