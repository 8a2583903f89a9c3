#pragma once
// One contour: segments joined end to start, drawn by hand or generated from a
// parametric shape, with the corner-modified and mirrored copies derived from them,
// and the flattening of the contour into a 2D shape database.

#include <cstdint>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "profile/Curve2.h"

namespace fw {

class Geo2Interface;

class CompositeCurve2 : public CommandEnabler {
public:
    enum ShapeType { CUSTOM = 0, SQUARE, RECT, ROUND_RECT, CIRCLE, ELLIPSE, POLY, STAR, PLUS, GEAR, kShapeTypes };
    enum Flag : uint32_t { kClosed = 1 };
    // Handle length of a quarter circle drawn as one cubic, as a fraction of the radius.
    static constexpr double kCircleHandle = 0.55228474983;
    // How close two ends must be, in x and in y, to count as joined.
    static constexpr double kLinkTolerance = 0.0001;

    using SegmentList = std::vector<Curve2>;
    // A point of a segment list: segment index and point index.
    struct PointRef {
        int segment = -1;
        int index = -1;
        bool valid() const { return segment >= 0; }
    };
    // How flattening samples one segment: fixed steps (render) or a deviation
    // tolerance (preview).
    struct Sampling {
        bool preview = false;
        int steps = 1;
        double tolerance = 0.1;
    };

    CompositeCurve2();
    CompositeCurve2(const CompositeCurve2& other) = default;
    CompositeCurve2& operator=(const CompositeCurve2& other) = default;
    ~CompositeCurve2() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "CompositeCurve2"; }

    static const char* shapeTypeName(int type);
    // Unknown names give CUSTOM.
    static int shapeTypeFromName(const char* name);

    uint32_t flags = 0;
    int32_t shapeType = CUSTOM;
    double shapeX = 0, shapeY = 0;
    double shapeWidth = 0, shapeHeight = 0;
    double shapeParams[5] = {};
    bool pointModification = false;
    bool mirror = false;
    double rotAngle = 0;  // degrees, counter-clockwise

    bool closed() const { return flags & kClosed; }
    void setClosed(bool on) { flags = on ? flags | kClosed : flags & ~kClosed; }

    SegmentList& segments() { return base_; }
    const SegmentList& segments() const { return base_; }
    const SegmentList& modifiedSegments() const { return modified_; }
    const SegmentList& mirroredSegments() const { return mirrored_; }
    Curve2& addSegment(uint16_t type);

    // Regenerates the base segments from the shape type and its parameters. A
    // CUSTOM contour is left alone (false).
    bool buildShape();
    // Rebuilds the modified list: the base segments with the BEVEL, ROUND and ROUND2
    // corners of their anchors applied.
    void applyCornerModifications();
    // Rebuilds the mirrored list: the source and its reflection in the y axis, closed
    // by two bridges when the contour is open. Turns mirroring on.
    void applyMirror(bool useModified);
    // Places the handles of cubic segments from their anchors and tightness.
    void applyAutoHandles();
    // Derives the attached and closed flags of the base segments from where they meet.
    void linkSegments();
    // Runs the contour the other way round.
    void reverse();

    // Flattens the contour into sink as elements of part `part` + 1; 0, or -1 for a
    // segment of unknown type. useMirror selects the derived lists where they apply.
    int flatten(bool useMirror, int steps, double creaseAngle, bool keepJoinPoints, int part, Geo2Interface& sink);
    int flatten(bool useMirror, const Sampling& sampling, double creaseAngle, bool keepJoinPoints, int part,
                Geo2Interface& sink);

    // Neighbours of a point in the base list, across segment ends that meet within
    // 1e-6 (and across the contour's start when it is closed).
    PointRef handleBefore(PointRef at) const { return handleBefore(base_, closed(), at); }
    PointRef handleAfter(PointRef at) const { return handleAfter(base_, closed(), at); }
    PointRef anchorBefore(PointRef at) const { return anchorBefore(base_, closed(), at); }
    PointRef anchorAfter(PointRef at) const { return anchorAfter(base_, closed(), at); }
    static PointRef handleBefore(const SegmentList& list, bool closed, PointRef at);
    static PointRef handleAfter(const SegmentList& list, bool closed, PointRef at);
    static PointRef anchorBefore(const SegmentList& list, bool closed, PointRef at);
    static PointRef anchorAfter(const SegmentList& list, bool closed, PointRef at);

    // The linking rules on any segment list; answers whether the list closes.
    static bool linkSegmentList(SegmentList& list);

private:
    // The parametric shapes, centred on the origin, before they are turned and moved.
    void buildRectangle(double w, double h);
    void buildEllipse(double w, double h);
    void buildRoundRect(double w, double h);
    void buildPolygon(double w, double h);
    void buildStar(double w, double h);
    void buildPlus(double w, double h);
    void buildGear(double w, double h);
    // The list a flattening uses, and whether it forms a closed outline.
    const SegmentList& flattenedList(bool useMirror, bool& closedList) const;

    SegmentList base_;
    SegmentList modified_;
    SegmentList mirrored_;
    bool mirroredClosed_ = false;
};

}  // namespace fw
