#include "profile/Profile.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "scene/MemberFactory.h"
#include "scene/Scene.h"

namespace fw {

namespace {

const char* const kFlattenedNames[3] = {"PreviewFlattenedProfile", "RenderFlattenedProfile",
                                        "Preview2DFlattenedProfile"};
const char* const kBoundsNames[3] = {"PreviewBounds", "RenderBounds", "Preview2DBounds"};
// Ports are built in the order preview 2-D, preview, render.
const int kPortOrder[3] = {Profile::kPreview2D, Profile::kPreview, Profile::kRender};

std::string memberName(const char* name) {
    if (name && *name) return name;
    char text[32];
    std::snprintf(text, sizeof text, "profile%d", MemberFactory::nextDefaultNumber());
    return text;
}

int quality(int which) { return which >= 0 && which < 3 ? which : Profile::kPreview; }

// The anchor an open contour starts or ends on, for orienting it.
const CurvePoint* endAnchor(const CompositeCurve2& contour, bool last) {
    const auto& list = contour.segments();
    if (list.empty()) return nullptr;
    const Curve2& c = last ? list.back() : list.front();
    int n = c.pointCount();
    if (n == 0) return nullptr;
    const CurvePoint& outer = last ? c.point(n - 1) : c.point(0);
    if (outer.isAnchor() || n < 2) return &outer;
    const CurvePoint& inner = last ? c.point(n - 2) : c.point(1);
    return inner.isAnchor() ? &inner : &outer;
}

}  // namespace

// ---- settings

Profile::FlattenedProfileSettings Profile::FlattenedProfileSettings::defaults(int which) {
    FlattenedProfileSettings s;
    s.renderMode = quality(which) == kRender;
    if (quality(which) == kPreview2D) s.tolerance = 0.1;
    return s;
}

// ---- ports

Profile::FlattenedProfilePort::FlattenedProfilePort(Profile* owner, const char* name, int which)
    : GeometryPort(owner, name), quality_(quality(which)) {}

void Profile::FlattenedProfilePort::reset() {
    geometry_.clear();
    geometry_.shrinkToFit();
}

bool Profile::FlattenedProfilePort::compute(const FlattenedProfileSettings* wanted) {
    const InputProfile2* outline = outlineInput.value();
    if (!outline) {
        geometry_.clear();
        return false;
    }
    FlattenedProfileSettings fallback = FlattenedProfileSettings::defaults(quality_);
    return flattenOutline(*outline, wanted ? *wanted : fallback, geometry_);
}

Profile::BoundsPort::BoundsPort(Profile* owner, const char* name) : BoundsResultPort(owner, name) {
    emptyBounds(box_.data());
}

bool Profile::BoundsPort::compute(const FlattenedProfileSettings* settings) {
    emptyBounds(box_.data());
    const ProfileGeometry* geometry = flattenedInput.value(settings);
    if (!geometry) return false;
    for (int e = 0; e < geometry->elementCount(); ++e) {
        double x0, x1, y0, y1;
        if (!geometry->elementBounds(e, x0, x1, y0, y1)) continue;
        box_[0] = std::min(box_[0], x0);
        box_[1] = std::max(box_[1], x1);
        box_[2] = std::min(box_[2], y0);
        box_[3] = std::max(box_[3], y1);
    }
    return true;
}

// ---- the profile

Profile::Profile(Scene& scene, const char* name) : SceneMember(scene, kProfileKind, memberName(name).c_str()) {}

Profile::~Profile() = default;

void Profile::createOutlinePorts() {
    profilePort_ = std::make_unique<ProfilePort>(this, "Profile");
    for (int which : kPortOrder) {
        flattened_[which] = std::make_unique<FlattenedProfilePort>(this, kFlattenedNames[which], which);
        flattened_[which]->outlineInput.connect(nameReference(), "Profile");
    }
    for (int which : kPortOrder) {
        bounds_[which] = std::make_unique<BoundsPort>(this, kBoundsNames[which]);
        bounds_[which]->flattenedInput.connect(nameReference(), kFlattenedNames[which]);
    }
}

const char* Profile::flattenedPortName(int which) { return kFlattenedNames[quality(which)]; }

const char* Profile::boundsPortName(int which) { return kBoundsNames[quality(which)]; }

void Profile::emptyBounds(double box[4]) {
    box[0] = box[2] = 1e20;
    box[1] = box[3] = -1e20;
}

uint32_t Profile::outlineStamp() const { return profilePort_ ? profilePort_->stamp() : 0; }

void Profile::takeOutlineStamp() {
    if (!profilePort_) return;
    for (auto& port : flattened_) port->setDirty();
    profilePort_->touch();
}

void Profile::normalizeOutline() {
    if (InputProfile2* outline = ownOutline()) {
        outline->normalize();
        takeOutlineStamp();
    }
}

bool Profile::profileChanged() {
    InputProfile2* outline = ownOutline();
    if (!outline) return false;
    if (outline->autoHandle)
        for (CompositeCurve2& contour : outline->contours()) contour.applyAutoHandles();
    takeOutlineStamp();
    return !outline->contours().empty();
}

InputProfile2* Profile::inputProfile() { return ownOutline(); }

ProfileGeometry* Profile::previewFlattened(bool applyEdits, bool applyMirror, bool orientOpenContours,
                                           double tolerance, double creaseAngle, uint32_t* stamp) {
    FlattenedProfileSettings s = FlattenedProfileSettings::defaults(kPreview);
    s.applyEdits = applyEdits;
    s.applyMirror = applyMirror;
    s.orientOpenContours = orientOpenContours;
    s.tolerance = tolerance;
    s.creaseAngle = creaseAngle;
    return flattenedThroughPort(kPreview, s, stamp);
}

ProfileGeometry* Profile::renderFlattened(bool applyEdits, bool applyMirror, int steps, double creaseAngle,
                                          bool keepJoinPoints, uint32_t* stamp) {
    FlattenedProfileSettings s = FlattenedProfileSettings::defaults(kRender);
    s.applyEdits = applyEdits;
    s.applyMirror = applyMirror;
    s.steps = steps;
    s.creaseAngle = creaseAngle;
    s.keepJoinPoints = keepJoinPoints;
    return flattenedThroughPort(kRender, s, stamp);
}

ProfileGeometry* Profile::flattenedThroughPort(Quality which, FlattenedProfileSettings& s, uint32_t* stamp) {
    auto* port = findPortAs<GeometryPort>(kFlattenedNames[which]);
    if (!port) return nullptr;
    ProfileGeometry* result = port->get(&s);
    if (stamp) *stamp = port->stamp();
    return result;
}

void Profile::profileBounds(double box[4]) {
    auto* port = findPortAs<BoundsResultPort>(kBoundsNames[kPreview]);
    const Bounds* cached = port ? port->value() : nullptr;
    if (!cached) {
        emptyBounds(box);
        return;
    }
    std::copy(cached->begin(), cached->end(), box);
}

ProfileGeometry* Profile::flattenedGeometry(int which) {
    auto* port = findPortAs<GeometryPort>(flattenedPortName(which));
    return port ? port->value() : nullptr;
}

bool Profile::flattenOutline(const InputProfile2& outline, const FlattenedProfileSettings& s, ProfileGeometry& out) {
    InputProfile2 work(outline);
    if (s.orientOpenContours) {
        for (CompositeCurve2& contour : work.contours()) {
            const CurvePoint *first = endAnchor(contour, false), *last = endAnchor(contour, true);
            if (first && last && last->y < first->y) contour.reverse();
        }
    }
    out.clear();
    int result = s.renderMode
                     ? work.flattenProfile(s.applyEdits, s.applyMirror, s.steps, s.creaseAngle, s.keepJoinPoints, out)
                     : work.flattenProfilePreview(s.applyEdits, s.applyMirror, s.tolerance, s.creaseAngle,
                                                  s.keepJoinPoints, out);
    if (result != 0) return false;
    if (s.addBoundsPoints) {
        double box[4];
        emptyBounds(box);
        for (const CompositeCurve2& contour : work.contours())
            for (const Curve2& c : contour.segments())
                for (int i = 0; i < c.pointCount(); ++i) {
                    box[0] = std::min(box[0], c.point(i).x);
                    box[1] = std::max(box[1], c.point(i).x);
                    box[2] = std::min(box[2], c.point(i).y);
                    box[3] = std::max(box[3], c.point(i).y);
                }
        if (box[0] <= box[1]) {
            // A flat outline still needs a box with area around it.
            if (box[0] == box[1] || box[2] == box[3]) {
                box[0] -= 2, box[2] -= 2;
                box[1] += 2, box[3] += 2;
            }
            out.addPoint(box[0], box[2]);
            out.addPoint(box[1], box[3]);
        }
    }
    if (s.minArea > 0 && !s.renderMode) {
        for (int e = out.elementCount() - 1; e >= 0; --e) {
            if (out.elementPointCount(e) > 2 && out.elementArea(e) < s.minArea) out.removeElement(e);
        }
    }
    out.computeLengths();
    out.shrinkToFit();  // render flattening holds thousands of points per outline
    return true;
}

}  // namespace fw
