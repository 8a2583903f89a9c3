#pragma once
// The extruded object: a flat outline (its face: a profile or text) turned into a
// bevelled solid by its extrusion style. Its stages are ports, one of each per quality
// (named "Preview…", "Render…", "Preview2D…"); each rebuilds only when its settings
// or an input changed. Following one quality down the chain:
//
//   face profile  "…FlattenedProfile"   Port<ProfileGeometry, Profile::FlattenedProfileSettings>
//   → FacePort    "…Face"               Port<Contours, Extrusion::FaceSettings>
//   → CapsPort    "…FrontBackGeometry"  Port<GeometryInterface, Extrusion::Settings>
//   → SolidPort   "…Geometry"           Port<GeometryInterface, Extrusion::Settings>
//                  (also reads the face and the style's two flattened edge profiles,
//                   ObjectXStyle::FlattenedProfilePort, Port<ProfileGeometry, ...>)
//   → Object::ObjectDynPort "…DynGeometry"  the deformed solid, Port<GeometryInterface, AnySettings>
//   → Object's bounds, display geometry, world vertices and normals, gradients, and
//     ElementInterpPort, each reading it through "GeometryInput"
//
// Each stage's work is done by geometry/Extrusion from plain data, for a port as it is
// read and for a batch (buildSolids) alike. prepareStages hands every stage and link
// its settings before geometry is asked for; connectStages wires the inputs by name
// (again after loading, once the face exists).

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Extrusion.h"
#include "mesh/PackedObjDB.h"
#include "profile/ProfileGeometry.h"
#include "scene/Object.h"

namespace fw {

class ObjectXStyle;
class Profile;

class ObjectX : public Object {
public:
    // The face as closed contours (or open paths for tubes).
    using Contours = Extrusion::Contours;

    // The face: closed contours, outer counter-clockwise and holes clockwise, moved
    // into the material by the face offset.
    class FacePort : public Port<Contours, Extrusion::FaceSettings> {
    public:
        FacePort(ObjectX* owner, const char* name);
        Contours* result() override { return &contours_; }
        void reset() override { Contours().swap(contours_); }
        Input<ProfileGeometry> outlineInput{this, "FlattenedProfileInput"};

    protected:
        bool compute(const Extrusion::FaceSettings* settings) override;

    private:
        Contours contours_;
    };

    // What the cap and solid stages share: a packed mesh built by the style's builder.
    class SolidStage : public Port<GeometryInterface, Extrusion::Settings> {
    public:
        SolidStage(ObjectX* owner, const char* name);
        GeometryInterface* result() override { return &mesh_; }
        PackedObjDB& mesh() { return mesh_; }

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
        bool compute(const Extrusion::Settings* settings) override;
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
        bool compute(const Extrusion::Settings* settings) override;
    };

    static constexpr int kFrontPart = SolidBuilder::Options().frontPart, kBackPart = SolidBuilder::Options().backPart;
    static constexpr int kPerimeterPart = SolidBuilder::Options().perimeterPart, kHolePart = SolidBuilder::Options().holePart;

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

    // Brings the solids of many objects at one quality up to date at once: the stages
    // a port would compute are built on several threads (Extrusion::run) from data
    // gathered here, and handed to the ports on this thread. Objects it cannot batch
    // are left to their ports, which build them when asked.
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
    // How current a stage is: current and held, current but let go (a read makes it
    // again alike), or to be built.
    enum class StageState { kCurrent, kLetGo, kStale };
    struct StageStates {
        StageState face = StageState::kStale, caps = StageState::kStale, solid = StageState::kStale;
    };
    struct BatchEntry;
    // The one question a batch asks the stages of a quality, once their settings are in
    // place: how current each is. False when they are wired other than connectStages
    // wires them; the ports then build them when asked.
    bool stageStates(int slot, StageStates& states);
    // What a batch builds for the stale stages, read from the ports; false when the
    // face's outline cannot be had.
    bool gatherJob(int slot, BatchEntry& entry, Extrusion::Job& job);
    // The batch's results handed to the ports, in stage order; at render quality the
    // stages before the solid are let go.
    void adoptJob(int slot, const BatchEntry& entry, const Extrusion::Job& job, bool render);
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
