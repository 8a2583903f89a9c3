#pragma once
// One editable profile: its contours and the profile-wide editing switches, stored
// as an "InputProfile2" block; it flattens into a 2D shape database.

#include <vector>

#include "persistence/CommandEnabler.h"
#include "profile/CompositeCurve2.h"

namespace fw {

class Geo2Interface;

class InputProfile2 : public CommandEnabler {
public:
    // The longest outline-file path the "infileObj" command takes.

    InputProfile2();
    InputProfile2(const InputProfile2& other) = default;
    InputProfile2& operator=(const InputProfile2& other) = default;
    ~InputProfile2() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "InputProfile2"; }

    bool autoHandle = false;
    bool pointModification = false;
    bool mirror = false;
    double rotAngle = 0;
    double originalOffset[2] = {0, 0};

    std::vector<CompositeCurve2>& contours() { return contours_; }
    const std::vector<CompositeCurve2>& contours() const { return contours_; }
    CompositeCurve2& addContour();

    // Appends one closed polyline contour per element of an OBJ file (z dropped).
    bool appendObjFile(const char* path);

    // Corner modification and mirroring as the switches ask, then every contour into
    // sink at `steps` samples per segment or edge; 0, or the first failure.
    int flattenProfile(bool applyEdits, bool applyMirror, int steps, double creaseAngle, bool keepJoinPoints,
                       Geo2Interface& sink);
    // The same with segments sampled until they deviate less than `tolerance`.
    int flattenProfilePreview(bool applyEdits, bool applyMirror, double tolerance, double creaseAngle,
                              bool keepJoinPoints, Geo2Interface& sink);

    // The tidy-up after loading: quadratic segments become cubics, handle types are
    // derived from the geometry (straight through an anchor: fixed; else broken), and
    // the segments are linked.
    void normalize();

private:
    int flattenAll(bool applyEdits, bool applyMirror, const CompositeCurve2::Sampling& sampling, double creaseAngle,
                   bool keepJoinPoints, Geo2Interface& sink);

    std::vector<CompositeCurve2> contours_;
};

}  // namespace fw
