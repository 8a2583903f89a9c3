#pragma once
// An extrusion style: how extruded objects turn their outlines into solids (build
// method, depth, the edge profiles swept along outer contours and holes, their
// scales, which parts are built) and, through six ports, the two edge profiles
// flattened at the three qualities. Styles are shared by name.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "profile/Profile.h"
#include "profile/ProfileProperty.h"
#include "surface/MaterialStack.h"
#include "scene/SceneMember.h"

namespace fw {

class ObjectXStyle : public SceneMember {
public:
    enum Kind { kExtruded = 0, kTube = 1, kRevolved = 2 };
    enum PartBit : unsigned { kFront = 1, kBack = 2, kPerimeter = 4, kHoles = 8 };
    static constexpr const char* kDefaultName = "defaultObjXStyle";

    // What a flattened edge-profile port is asked for: the tolerance and three flags.
    struct FlattenedProfileSettings {
        double tolerance = 0.5;
        bool renderMode = false;
        int steps = 8;
        bool keepJoinPoints = false;
        bool operator==(const FlattenedProfileSettings&) const = default;
    };

    // One edge profile (perimeter or hole) flattened at one quality.
    class FlattenedProfilePort : public Port<ProfileGeometry, FlattenedProfileSettings> {
    public:
        FlattenedProfilePort(ObjectXStyle* owner, const char* name);
        ProfileGeometry* result() override { return &geometry_; }
        // A new source: the polyline of the old profile is let go.
        void reset() override;
        Input<InputProfile2> outlineInput{this, "Profile"};

    protected:
        bool compute(const FlattenedProfileSettings* settings) override;

    private:
        ProfileGeometry geometry_;
    };

    ObjectXStyle(Scene& scene, const char* name, unsigned parts = 15);
    ~ObjectXStyle() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ObjectXStyle"; }
    void registerCommands() override;
    void markUsed() override;
    void postLoad() override;

    // Edge profiles by name: a profile of the scene, else one of the built-in library; a
    // name that is neither leaves the reference empty, and the sides fall back to flat.
    // Reading keeps the name until postLoad, since scenes write styles before profiles.
    void setPerimeterProfile(const std::string& name, bool resolveNow = true);
    // Ignored while the hole tracks the perimeter.
    void setHoleProfile(const std::string& name, bool resolveNow = true);
    const std::string& perimeterProfileName() const { return perimeter_; }
    const std::string& holeProfileName() const { return trackProfile ? perimeter_ : hole_; }
    void setPerimeterXScale(double scale);
    void setHoleXScale(double scale);  // ignored while the hole X scale tracks the perimeter's
    double perimeterXScale() const { return perimeterXScale_; }
    double holeXScale() const { return trackXScale ? perimeterXScale_ : holeXScale_; }
    void setDepth(double depth);
    double depth() const { return depth_; }
    void setParts(unsigned parts);
    unsigned parts() const { return parts_; }
    void setFrontFaceOffset(double offset);
    double frontFaceOffset() const { return frontFaceOffset_; }

    // Raised by every change that alters caps or sides; wraps from 4294967295 to 1.
    uint32_t capChangeCount() const { return capChanges_; }
    uint32_t sideChangeCount() const { return sideChanges_; }
    void touchCaps();
    void touchSides();
    static uint32_t nextCount(uint32_t count) { return count == 0xffffffffu ? 1 : count + 1; }

    // The flattened perimeter (hole: false) or hole profile port of a quality.
    FlattenedProfilePort& flattenedPort(bool hole, int quality);
    // The profile member a name stands for, or null.
    Profile* findProfile(const std::string& name) const;
    // Makes "defaultObjXStyle" when the scene has no such style.
    static ObjectXStyle* ensureDefault(Scene& scene);

    int kind = kExtruded;
    int frontMaterialIndex = 0, backMaterialIndex = 0;
    int mitreMethod = 0;
    double spikeAngle = 0.0, pullBackDistance = 0.1;
    bool trackProfile = true, trackProperties = true, trackXScale = true;
    int headCapType = 2, tailCapType = 2;
    double headCapScale = 50.0, headCapOffset = 0.0, tailCapScale = 50.0, tailCapOffset = 0.0;
    int buildAxis = 3;
    static constexpr int kMaterialSlots = 6;
    // The material stack of a slot (0 to 5) for the front- or back-facing parts; null
    // above 5. The lists grow up to the slot with stacks that hold "defaultMtl".
    MaterialStack* materialStack(int slot, bool back = false);
    // How many slots the front (or back) list holds now.
    int materialSlotCount(bool back = false) const { return static_cast<int>(stacks_[back ? 1 : 0].size()); }
    // Puts a material into a slot's front and back stacks.
    void setSlotMaterial(int slot, const std::string& material);
    // The stack that dresses a part of the solid (front 0, back 1, sides by part
    // number). Back stacks are not stored, so one that carries nothing of its own
    // shows its slot's front stack; a part whose stack carries no material of its own
    // wears the front's, so that a material put on the object dresses all of it.
    MaterialStack* partStack(int part);
    ProfileProperty perimeterProperties{"perimProperties"};
    ProfileProperty holeProperties{"holeProperties"};
    double buildAngleStart = 0.0, buildAngleEnd = 360.0;

private:
    void connectPorts();
    // Points the perimeter's (hole: false) or the hole's ports at their profile; a port
    // whose source changes goes stale and lets its result go. True when one changed.
    bool connectSide(bool hole);

    std::string perimeter_, hole_;
    double perimeterXScale_ = 1.0, holeXScale_ = 1.0, depth_ = 8.0, frontFaceOffset_ = 0.0;
    unsigned parts_;
    uint32_t capChanges_ = 0, sideChanges_ = 0;
    std::unique_ptr<FlattenedProfilePort> ports_[2][3];
    std::vector<std::unique_ptr<MaterialStack>> stacks_[2];  // front, back
};

}  // namespace fw
