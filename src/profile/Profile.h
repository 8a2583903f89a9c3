#pragma once
// A scene member that supplies a 2D outline to solids: it publishes its editable
// outline and, through ports, the outline flattened at three qualities and their bounds.

#include <array>
#include <cstdint>
#include <memory>

#include "profile/InputProfile2.h"
#include "profile/ProfileGeometry.h"
#include "scene/Port.h"
#include "scene/SceneMember.h"

namespace fw {

class Profile : public SceneMember {
public:
    // Which flattening a request means: the render modes of objects.
    enum Quality { kPreview = 0, kRender = 1, kPreview2D = 2 };

    // What a flattened port computes for.
    struct FlattenedProfileSettings {
        double tolerance = 0.5;       // preview: deviation allowed
        double creaseAngle = 30.0;    // degrees; joins at or above it stay sharp
        bool applyEdits = true;       // corner modification and mirroring
        bool applyMirror = true;      // rebuild the mirrored lists
        bool orientOpenContours = false;
        double minArea = 0.0;         // preview: smaller closed elements are dropped
        bool renderMode = false;      // fixed steps instead of the tolerance
        int steps = 50;
        bool keepJoinPoints = false;
        bool addBoundsPoints = false;

        // The settings a port computes for when a request brings none: those of a solid
        // of default smoothness (20 for preview, 50 for render; 2-D preview at 0.1).
        static FlattenedProfileSettings defaults(int quality);
        bool operator==(const FlattenedProfileSettings&) const = default;
    };

    // x min, x max, y min, y max.
    using Bounds = std::array<double, 4>;
    // The port types every profile publishes (a sequence forwards the same ones).
    using OutlinePort = Port<InputProfile2>;
    using GeometryPort = Port<ProfileGeometry, FlattenedProfileSettings>;
    using BoundsResultPort = Port<Bounds, FlattenedProfileSettings>;

    // Holds the profile's own outline; every change to it takes a new stamp.
    class ProfilePort : public OutlinePort {
    public:
        ProfilePort(Profile* owner, const char* name) : OutlinePort(owner, name) {}
        InputProfile2* result() override { return &outline; }
        InputProfile2 outline;

    protected:
        bool compute(const NoSettings*) override { return true; }
    };

    // The outline from the "Profile" input, flattened into a ProfileGeometry.
    class FlattenedProfilePort : public GeometryPort {
    public:
        FlattenedProfilePort(Profile* owner, const char* name, int quality);
        ProfileGeometry* result() override { return &geometry_; }
        void reset() override;
        Input<InputProfile2> outlineInput{this, "Profile"};

    protected:
        bool compute(const FlattenedProfileSettings* settings) override;

    private:
        int quality_;
        ProfileGeometry geometry_;
    };

    // The box over the elements of the "FlattenedProfile" input, asked for with the
    // bounds port's own settings.
    class BoundsPort : public BoundsResultPort {
    public:
        BoundsPort(Profile* owner, const char* name);
        Bounds* result() override { return &box_; }
        Input<ProfileGeometry> flattenedInput{this, "FlattenedProfile"};

    protected:
        bool compute(const FlattenedProfileSettings* settings) override;

    private:
        Bounds box_;
    };

    // A member without a name gets a default one, since its ports link by name.
    Profile(Scene& scene, const char* name);
    ~Profile() override;

    // Re-applies automatic handles, marks the flattened ports out of date and takes a
    // new outline stamp; whether there is an outline with contours.
    virtual bool profileChanged();
    // The outline the profile shows now; null when there is none.
    virtual InputProfile2* inputProfile();
    virtual ProfileGeometry* previewFlattened(bool applyEdits, bool applyMirror, bool orientOpenContours,
                                              double tolerance, double creaseAngle, uint32_t* stamp = nullptr);
    virtual ProfileGeometry* renderFlattened(bool applyEdits, bool applyMirror, int steps, double creaseAngle,
                                             bool keepJoinPoints, uint32_t* stamp = nullptr);
    // The "PreviewBounds" box, or the empty box (1e20, -1e20, 1e20, -1e20).
    virtual void profileBounds(double box[4]);
    virtual ProfileGeometry* flattenedGeometry(int quality);

    // What follows reading a stored profile: its own outline normalised (see
    // InputProfile2::normalize) and a new outline stamp.
    void normalizeOutline();
    void finishReading() override { normalizeOutline(); }
    // The stamp the outline took at its last change.
    uint32_t outlineStamp() const;

    static const char* flattenedPortName(int quality);
    static const char* boundsPortName(int quality);
    static void emptyBounds(double box[4]);
    // What a flattened port does: a copy of the outline, oriented, flattened into out
    // by the settings, trimmed and measured. False when a segment cannot be flattened.
    static bool flattenOutline(const InputProfile2& outline, const FlattenedProfileSettings& settings,
                               ProfileGeometry& out);

protected:
    // The seven ports of a profile with an outline of its own, wired to each other.
    void createOutlinePorts();
    // The profile's own outline (null for a profile that shows other profiles' outlines).
    InputProfile2* ownOutline() { return profilePort_ ? &profilePort_->outline : nullptr; }
    // Marks the outline changed without re-applying handles.
    void takeOutlineStamp();

private:
    // Asks the flattened port of that quality; null when the profile has none.
    ProfileGeometry* flattenedThroughPort(Quality which, FlattenedProfileSettings& settings, uint32_t* stamp);

    std::unique_ptr<ProfilePort> profilePort_;
    std::unique_ptr<FlattenedProfilePort> flattened_[3];
    std::unique_ptr<BoundsPort> bounds_[3];
};

}  // namespace fw
