#include "geometry/Extrusion.h"

#include <algorithm>
#include <cmath>
#include <omp.h>

#include "geometry/ContourOffset.h"
#include "geometry/ObjectXStyle.h"
#include "geometry/SweepBuilder.h"
#include "mesh/ObjDB.h"
#include "mesh/PackedObjDB.h"
#include "profile/ProfileGeometry.h"

namespace fw {

namespace {

std::FILE* gConsole = nullptr;

// One mesh stage of a job: emptied and failed without a face.
void runStage(const Extrusion::Contours* face, const SolidBuilder::Contour& perimeter,
              const SolidBuilder::Contour& hole, unsigned partMask, Extrusion::Stage& stage) {
    if (!face) {
        stage.mesh->clear();
        stage.ok = false;
        return;
    }
    Extrusion::Settings settings = stage.settings;
    settings.solid.parts &= partMask;
    stage.ok = Extrusion::buildMesh(*face, perimeter, hole, settings, *stage.mesh);
}

}  // namespace

void Extrusion::setConsole(std::FILE* console) { gConsole = console; }
std::FILE* Extrusion::console() { return gConsole; }

void Extrusion::run(Job& job) {
    if (job.outline && job.face) buildFace(*job.outline, job.faceSettings, *job.face);
    if (job.caps.mesh) runStage(job.face, {}, {}, SolidBuilder::kFrontBit | SolidBuilder::kBackBit, job.caps);
    if (job.solid.mesh) runStage(job.face, job.perimeter, job.hole, ~0u, job.solid);
    if (job.solid.ok && job.release) job.release();
}

void Extrusion::run(std::vector<Job>& jobs, int threads) {
    const long count = static_cast<long>(jobs.size());
    if (threads > 1 && count > 1) {
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
        for (long i = 0; i < count; ++i) run(jobs[static_cast<size_t>(i)]);
    } else {
        for (Job& job : jobs) run(job);
    }
}

void Extrusion::buildFace(const ProfileGeometry& geometry, const FaceSettings& s, Contours& out) {
    out.clear();
    Contours raw;
    for (int e = 0; e < geometry.elementCount(); ++e) {
        Geo2Interface::ElementInfo info;
        std::vector<int> points;  // render flattening makes outlines of many thousand points
        if (!geometry.getElementPoints(e, info, points) || points.empty()) continue;
        // Open outlines give faces as if closed; only a line or a point gives none.
        if (info.pointCount < 3 && !s.tube) continue;
        if (info.normalCount != info.pointCount) {  // flattening gives every point its normal
            if (gConsole) std::fprintf(gConsole, "missing normals on profile.\n");
            continue;
        }
        SolidBuilder::Contour c;
        for (int i = 0; i < info.pointCount; ++i) {
            double p[2];
            geometry.getPoint(points[static_cast<size_t>(i)], p);
            c.push_back(glm::dvec2(p[0], p[1]));
        }
        if (s.tube && info.kind == Geo2Interface::Closed && !c.empty()) c.push_back(c.front());
        raw.push_back(c);
    }
    if (s.tube) {  // paths as drawn: a closed one ends on its first point
        out = raw;
        return;
    }
    std::vector<bool> holes;
    Contours face = SolidBuilder::prepareFace(raw, holes, s.keepStraightRuns);
    // Faces sit a little inside their outline, never less than 0.03.
    double offset = std::fabs(s.faceOffset) <= 0.03 ? 0.03 : s.faceOffset;
    for (SolidBuilder::Contour& c : face) {
        // Start at the lowest point, the leftmost of equals, so sub-faces start alike.
        size_t start = 0;
        for (size_t i = 1; i < c.size(); ++i)
            if (c[i].y < c[start].y || (c[i].y == c[start].y && c[i].x < c[start].x)) start = i;
        std::rotate(c.begin(), c.begin() + static_cast<long>(start), c.end());
        if (!s.tube) c = ContourOffset::offset(c, -offset, true, gConsole).points;
        if (s.spikeAngle != 0) c = ContourOffset::pullBackSpikes(c, s.spikeAngle, s.pullBack);
        out.push_back(c);
    }
}

bool Extrusion::buildMesh(const Contours& face, const SolidBuilder::Contour& perimeter, const SolidBuilder::Contour& hole,
                          const Settings& s, PackedObjDB& out) {
    out.clear();
    bool ok = true;
    if (!face.empty() && s.solid.parts != 0) {  // nothing to build is not a failure
        SolidBuilder::Options options = s.solid;
        options.console = gConsole;
        if (s.kind == ObjectXStyle::kRevolved || s.kind == ObjectXStyle::kTube) {
            // The thread's own staging mesh, emptied: its arrays keep their room from
            // one solid to the next.
            thread_local ObjDB solid;
            solid.clear();
            if (s.kind == ObjectXStyle::kRevolved)
                SweepBuilder::revolve(face, perimeter, options, solid);
            else
                SweepBuilder::tube(face, options, solid);
            ok = out.pack(solid);
            solid.clear();
        } else {
            // Straight into the drawing mesh, which packs each element as it comes in
            // the order a staged copy would hand them over; sized from the face and
            // the edge profile (each point makes a column of four-cornered side pieces
            // down the rows, and caps).
            long points = 0;
            for (const SolidBuilder::Contour& c : face) points += static_cast<long>(c.size());
            const long rows = std::max<long>(2, static_cast<long>(std::max(perimeter.size(), hole.size())));
            if (points * rows * 4 < (1L << 28))
                out.reserve(static_cast<int>(points * rows), static_cast<int>(points * ((rows - 1) * 4 + 3)));
            int rejected = 0;
            SolidBuilder::build(face, perimeter, hole, options, out, &rejected);
            ok = rejected == 0;
        }
    }
    out.finish();
    return ok;
}

SolidBuilder::Contour Extrusion::edgeProfile(const ProfileGeometry* geometry) {
    SolidBuilder::Contour out;
    if (!geometry) return out;
    auto add = [&](glm::dvec2 q) {
        if (out.empty() || glm::length(q - out.back()) > 1e-12) out.push_back(q);
    };
    for (int e = 0; e < geometry->elementCount(); ++e) {
        Geo2Interface::ElementInfo info;
        std::vector<int> points;  // render flattening makes outlines of many thousand points
        if (!geometry->getElementPoints(e, info, points) || points.empty()) continue;
        std::vector<glm::dvec2> stroke;
        for (int i = 0; i < info.pointCount; ++i) {
            double p[2];
            geometry->getPoint(points[static_cast<size_t>(i)], p);
            stroke.emplace_back(p[0], p[1]);
        }
        if (info.kind == Geo2Interface::Closed && stroke.size() > 1 && glm::length(stroke.back() - stroke.front()) > 0.01)
            stroke.push_back(stroke.front());
        // A stroke drawn the other way round still continues from the nearer end.
        if (!out.empty() && glm::length(stroke.back() - out.back()) < glm::length(stroke.front() - out.back()))
            std::reverse(stroke.begin(), stroke.end());
        for (glm::dvec2 q : stroke) add(q);
    }
    return out;
}

}  // namespace fw
