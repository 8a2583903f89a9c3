#include "anim/TrackMotion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/ElementRotation.h"
#include "anim/ElementTiming.h"
#include "anim/PoseLayout.h"

namespace fw {

namespace {

const glm::dquat kIdentity(1, 0, 0, 0);

glm::dvec3 vec(const double* v) { return glm::dvec3(v[0], v[1], v[2]); }

glm::dmat4 elementMatrix(const glm::dvec3& center, const glm::dvec3& place, const glm::dquat& turn,
                         const glm::dvec3& scale) {
    // translate(place) * rotate * scale * translate(-center)
    const glm::dmat3 r = glm::mat3_cast(turn);
    glm::dmat4 m(1.0);
    for (int c = 0; c < 3; ++c) m[c] = glm::dvec4(r[c] * scale[c], 0.0);
    const glm::dvec3 a = glm::dvec3(m[0]) * center.x + glm::dvec3(m[1]) * center.y + glm::dvec3(m[2]) * center.z;
    m[3] = glm::dvec4(place - a, 1.0);
    return m;
}

bool fadeActive(const AnimVis& vis) { return vis.startTime != 0 || vis.endTime != 0; }

// Numbers that decide the motion, gathered so a change to any of them is noticed.
struct Key {
    std::vector<double>& v;
    void add(double x) { v.push_back(x); }
    void add(const double* x, int n) { v.insert(v.end(), x, x + n); }
    void add(const void* p) {
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
        v.push_back(static_cast<double>(bits >> 32));
        v.push_back(static_cast<double>(bits & 0xffffffffu));
    }
    void add(const AnimPathAction& a) {
        add(a.actionType), add(a.blendingRange), add(static_cast<double>(a.randomSeed)), add(a.startTime);
        add(a.endTime), add(a.amount, 7), add(a.useCommonCenter), add(a.faceValue);
    }
    void add(const AnimVis& a) { add(a.visType), add(a.startTime), add(a.endTime); }
    void add(const AnimPoseSettings& s) {
        add(s.moveToCenter), add(s.spread), add(s.spreadXYZ[0]), add(s.spreadXYZ[1]), add(s.spreadXYZ[2]);
        add(static_cast<double>(s.shuffleSeed)), add(s.shuffleType), add(static_cast<double>(s.distributeSeed));
        add(s.distributeType), add(s.distributeSize), add(s.distributeParam1), add(s.distributeParam2);
        add(s.distributeParam2b), add(s.distributeMenu1), add(s.distributeMenu2), add(s.distributeCheck1);
        add(static_cast<double>(s.randomizeSeed)), add(s.randomizeDistance);
        for (int a : s.randomizeXYZ) add(a);
        add(s.moveXYZ), add(s.moveDistance), add(s.moveDirection, 3), add(s.moveDirectionVector, 3);
        add(s.localScale, 3), add(s.globalScale, 3), add(s.globalCenterRotation, 3), add(s.localCenterRotation, 3);
    }
    void add(const AnimTransition& t) {
        const AnimPath& p = t.path;
        add(p.bowAmount), add(p.bowAmount2), add(p.bowAmountStyle), add(static_cast<double>(p.bowAmountStyleSeed));
        add(p.bowCenter), add(p.bowDirection), add(p.bowDirection2), add(p.bowDirectionStyle);
        add(static_cast<double>(p.bowDirectionStyleSeed)), add(p.startOvershoot), add(p.endOvershoot);
        add(p.startPinch), add(p.endPinch), add(p.twist);
        add(t.smoothing.startSmooth), add(t.smoothing.endSmooth);
        const AnimSequenceParams& q = t.sequence;
        add(q.minimizeRotations), add(q.blendingRange), add(q.launchType), add(static_cast<double>(q.launchSeed));
        add(q.overlap), add(q.fragOverlapCheck), add(q.fragOverlap), add(q.startGaps), add(q.endGaps);
        add(q.clumps), add(q.startEase), add(q.endEase), add(q.easeAmount);
        add(t.action), add(t.vis);
        add(static_cast<double>(t.windowStart.size())), add(static_cast<double>(t.launchOrder.size()));
        for (int k : t.launchOrder) add(k);
        add(t.doAutoSmooth);
    }
};

// Automatic smoothing of span k: at each of its poses, as smooth as the path runs on
// through it (100 where the spans either side continue in one direction, 0 where the path
// turns square or back), so an element never loops round a pose it turns back at.
void autoSmooth(std::span<const glm::dvec3> arrive, std::span<const glm::dvec3> leave,
                const std::vector<char>& automatic, std::vector<double>& startSmooth, std::vector<double>& endSmooth) {
    const size_t spans = automatic.size();
    auto chord = [&](size_t k) { return arrive[k + 1] - leave[k]; };
    auto straightness = [&](const glm::dvec3& a, const glm::dvec3& b) {
        const double la = glm::length(a), lb = glm::length(b);
        if (la < 1e-12 || lb < 1e-12) return 0.0;
        return 100.0 * std::max(0.0, glm::dot(a, b) / (la * lb));
    };
    for (size_t k = 0; k < spans; ++k) {
        if (!automatic[k]) continue;
        startSmooth[k] = k > 0 ? straightness(chord(k - 1), chord(k)) : 0.0;
        endSmooth[k] = k + 1 < spans ? straightness(chord(k), chord(k + 1)) : 0.0;
    }
}

}  // namespace

void TrackMotion::fingerprint(const AnimTrack& track, std::span<const AnimElement> elements) {
    scratch_.clear();
    Key k{scratch_};
    k.add(&track), k.add(track.trackType), k.add(static_cast<double>(elements.size()));
    for (const AnimElement& e : elements) {
        k.add(e.center, 3), k.add(e.bounds, 6), k.add(e.creationIndex), k.add(e.selectionIndex), k.add(e.owner);
        k.add(e.softGroup);
    }
    for (const auto& seg : track.segments) {
        k.add(seg.get()), k.add(seg->segmentType()), k.add(seg->startFrame), k.add(seg->length);
        k.add(static_cast<double>(seg->caches.size()));
        for (const auto& c : seg->caches) {
            k.add(c->isAnimated), k.add(c->startTranslate, 3), k.add(c->startRotate, 3), k.add(c->startScale, 3);
            k.add(c->startOrigin, 3);
        }
        if (seg->segmentType() == AnimTrackSegment::kPose) {
            const auto& pose = static_cast<const AnimPose&>(*seg);
            k.add(pose.settings), k.add(pose.action), k.add(pose.vis);
            k.add(static_cast<double>(pose.caches.size()));
            for (const auto& c : pose.caches) k.add(c->tweakTranslate, 3), k.add(c->tweakRotate, 3), k.add(c->tweakScale, 3);
        } else {
            k.add(static_cast<const AnimTransition&>(*seg));
        }
    }
}

void TrackMotion::buildStation(Station& st, const AnimTrackSegment* segment, std::span<const AnimElement> elements) {
    const size_t n = elements.size();
    st.arrive.assign(rest_.begin(), rest_.end());
    st.arriveEuler.assign(n, glm::dvec3(0.0));
    st.scale.assign(n, glm::dvec3(1.0));
    st.arriveTurn.assign(n, kIdentity);
    if (segment) {
        const auto& pose = static_cast<const AnimPose&>(*segment);
        const std::vector<ElementState> states = poseStates(pose, elements);
        for (size_t i = 0; i < n; ++i) {
            st.arrive[i] += vec(states[i].translate);
            st.arriveEuler[i] = vec(states[i].rotate);
            st.arriveTurn[i] = eulerToQuat(states[i].rotate);
            st.scale[i] = vec(states[i].scale);
        }
        st.action.prepare(pose.action, static_cast<int>(n));
        st.still.assign(n, 0);
        if (pose.caches.size() == n)
            for (size_t i = 0; i < n; ++i) st.still[i] = !pose.caches[i]->isAnimated;
    } else {
        st.action = PathAction{};
        st.still.assign(n, 0);
    }
    st.center = glm::dvec3(0.0);
    for (const auto& p : st.arrive) st.center += p;
    if (n) st.center /= static_cast<double>(n);
    st.leave = st.arrive;
    st.leaveTurn = st.arriveTurn;
    st.leaveEuler = st.arriveEuler;
    if (!segment || !st.action.movesInPose()) return;
    // A pose hands the transition after it the place its action reached by the pose's end.
    const double length = segment->length;
    for (size_t i = 0; i < n; ++i) {
        if (st.still[i]) continue;
        glm::dvec3 offset(0.0);
        glm::dquat turn;
        st.action.inPose(static_cast<int>(i), length, length, offset, turn);
        if (st.action.aboutCommonCenter()) st.leave[i] = st.center + turn * (st.leave[i] - st.center);
        st.leave[i] += offset;
        st.leaveTurn[i] = turn * st.arriveTurn[i];
        st.leaveEuler[i] = quatToEuler(st.leaveTurn[i]);
    }
}

void TrackMotion::rebuild(AnimTrack& track, std::span<const AnimElement> elements) {
    const size_t n = elements.size();
    const int segs = static_cast<int>(track.segments.size());
    track_ = &track;
    rest_.resize(n);
    for (size_t i = 0; i < n; ++i) rest_[i] = vec(elements[i].center);

    // Stations: every pose, and the rest place where a transition opens or closes the track.
    stations_.clear();
    stationOf_.assign(segs, -1);
    passageOf_.assign(segs, -1);
    auto isPose = [&](int s) { return track.segments[s]->segmentType() == AnimTrackSegment::kPose; };
    if (segs > 0 && !isPose(0)) stations_.emplace_back();
    for (int s = 0; s < segs; ++s)
        if (isPose(s)) {
            stationOf_[s] = static_cast<int>(stations_.size());
            stations_.emplace_back();
            stations_.back().segment = s;
        }
    if (segs > 0 && !isPose(segs - 1)) stations_.emplace_back();
    for (Station& st : stations_)
        buildStation(st, st.segment >= 0 ? track.segments[st.segment].get() : nullptr, elements);

    // Passages: each transition runs from the station before it to the one after it.
    passages_.clear();
    const int stations = static_cast<int>(stations_.size());
    std::vector<double> startSmooth(std::max(stations - 1, 0), 0.0), endSmooth(startSmooth);
    std::vector<char> automatic(startSmooth.size(), 0);
    int current = 0;
    for (int s = 0; s < segs; ++s) {
        if (isPose(s)) {
            current = stationOf_[s];
            continue;
        }
        auto& tr = static_cast<AnimTransition&>(*track.segments[s]);
        prepareTransition(tr, elements);
        Passage p;
        p.from = current;
        p.to = std::min(current + 1, stations - 1);
        if (p.from < static_cast<int>(startSmooth.size())) {
            startSmooth[p.from] = tr.smoothing.startSmooth;
            endSmooth[p.from] = tr.smoothing.endSmooth;
            automatic[p.from] = tr.doAutoSmooth;
        }
        passageOf_[s] = static_cast<int>(passages_.size());
        passages_.push_back(std::move(p));
    }

    // One curve per element through all stations, so neighbouring transitions share tangents.
    curves_.resize(n);
    std::vector<glm::dvec3> arrive(stations), leave(stations);
    const bool anyAutomatic = std::find(automatic.begin(), automatic.end(), 1) != automatic.end();
    std::vector<double> elementStart, elementEnd;
    for (size_t i = 0; i < n; ++i) {
        for (int k = 0; k < stations; ++k) arrive[k] = stations_[k].arrive[i], leave[k] = stations_[k].leave[i];
        if (!anyAutomatic) {
            curves_[i].build(arrive, leave, startSmooth, endSmooth);
            continue;
        }
        elementStart = startSmooth, elementEnd = endSmooth;
        autoSmooth(arrive, leave, automatic, elementStart, elementEnd);
        curves_[i].build(arrive, leave, elementStart, elementEnd);
    }

    PoseLayout layout(elements);
    std::vector<int> rank(n);
    for (size_t k = 0; k < n; ++k) rank[layout.order()[k]] = static_cast<int>(k);
    for (int s = 0; s < segs; ++s) {
        if (passageOf_[s] < 0) continue;
        const auto& tr = static_cast<const AnimTransition&>(*track.segments[s]);
        Passage& p = passages_[passageOf_[s]];
        const Station &a = stations_[p.from], &b = stations_[p.to];
        p.shape.prepare(tr.path, rank);
        p.action.prepare(tr.action, static_cast<int>(n));
        p.shortWay = tr.sequence.minimizeRotations;
        p.centerTo = b.center;
        p.centerFrom = glm::dvec3(0.0);
        for (const auto& q : a.leave) p.centerFrom += q;
        if (n) p.centerFrom /= static_cast<double>(n);
        const glm::dvec3 travel = p.centerTo - p.centerFrom;
        p.twistAxis = glm::length(travel) > 1e-9 ? glm::normalize(travel) : glm::dvec3(0, 1, 0);
        p.bow.assign(n, glm::dvec3(0.0));
        p.toTurn.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const glm::dquat q0 = a.leaveTurn[i];
            glm::dquat q1 = b.arriveTurn[i];
            if (glm::dot(q0, q1) < 0) q1 = -q1;
            p.toTurn[i] = q1;
            const glm::dvec3 d = b.arrive[i] - a.leave[i];
            const double dist = glm::length(d);
            if (dist < 1e-9) continue;
            // Bow 0 degrees arches upward (against the curve normal (Y x d) x d), then
            // turns about the line of travel.
            const glm::dvec3 axis = d / dist;
            glm::dvec3 up = glm::dvec3(0, 1, 0) - axis * axis.y;
            if (glm::length(up) < 1e-9) up = glm::dvec3(0, 0, 1) - axis * axis.z;
            up = glm::normalize(up);
            p.bow[i] = axisRotation(axis, p.shape.bowDirection(static_cast<int>(i))) * up *
                       (p.shape.bowAmount(static_cast<int>(i)) * dist);
        }
    }

    // The opacity each segment starts from: a fade sets it, and it holds until the next fade.
    opacityIn_.assign(segs, 1.0);
    double carried = 1.0;
    for (int s = 0; s < segs; ++s) {
        opacityIn_[s] = carried;
        const AnimVis& vis = isPose(s) ? static_cast<const AnimPose&>(*track.segments[s]).vis
                                       : static_cast<const AnimTransition&>(*track.segments[s]).vis;
        if (fadeActive(vis)) carried = vis.visType == AnimVis::kFadeOff ? 0.0 : 1.0;
    }
}

double TrackMotion::fade(const AnimVis& vis, double v, double carried) {
    if (!fadeActive(vis)) return carried;
    return vis.visType == AnimVis::kFadeOff ? 1 - v : v;
}

void TrackMotion::evaluatePose(int s, double time, std::vector<ElementFrame>& out) const {
    const Station& st = stations_[stationOf_[s]];
    const auto& pose = static_cast<const AnimPose&>(*track_->segments[s]);
    const double length = std::max(pose.length, 1);
    const double frames = std::clamp(time - pose.startFrame, 0.0, length);
    const double opacity = fade(pose.vis, ramp(frames / length, pose.vis.startTime * 0.01, pose.vis.endTime * 0.01),
                                opacityIn_[s]);
    const bool acts = st.action.movesInPose();
    for (size_t i = 0; i < out.size(); ++i) {
        glm::dvec3 place = st.arrive[i];
        glm::dquat turn = st.arriveTurn[i];
        if (acts && !st.still[i]) {
            glm::dvec3 offset(0.0);
            glm::dquat extra;
            st.action.inPose(static_cast<int>(i), frames, length, offset, extra);
            if (st.action.aboutCommonCenter()) place = st.center + extra * (place - st.center);
            place += offset;
            turn = extra * turn;
        }
        out[i].matrix = elementMatrix(rest_[i], place, turn, st.scale[i]);
        out[i].opacity = opacity;
    }
}

glm::dvec3 TrackMotion::passagePlace(const Passage& p, int e, double u, glm::dquat* twist) const {
    glm::dvec3 place = curves_[e].spanPoint(p.from, p.shape.travel(u));
    place += p.bow[e] * p.shape.bowWeight(u);
    const glm::dvec3 center = glm::mix(p.centerFrom, p.centerTo, u);
    const glm::dquat turn = axisRotation(p.twistAxis, p.shape.twist(u));
    if (twist) *twist = turn;
    return center + turn * ((place - center) * p.shape.pinch(u));
}

void TrackMotion::evaluatePassage(int s, double time, std::vector<ElementFrame>& out) const {
    const Passage& p = passages_[passageOf_[s]];
    const auto& tr = static_cast<const AnimTransition&>(*track_->segments[s]);
    const Station &a = stations_[p.from], &b = stations_[p.to];
    const bool acts = p.action.movesOnPath();
    for (size_t i = 0; i < out.size(); ++i) {
        const int e = static_cast<int>(i);
        const ElementProgress pr = elementProgress(tr, e, time);
        const double u = pr.u;
        glm::dquat twist;
        glm::dvec3 place = passagePlace(p, e, u, &twist);
        glm::dquat turn = p.shortWay ? glm::slerp(a.leaveTurn[i], p.toTurn[i], u)
                                     : eulerToQuat(glm::mix(a.leaveEuler[i], b.arriveEuler[i], u));
        turn = twist * turn;
        const glm::dvec3 scale = glm::mix(a.scale[i], b.scale[i], u);
        if (acts) {
            glm::dvec3 direction(0.0);
            if (p.action.needsDirection()) {
                constexpr double h = 1e-3;
                const double lo = std::max(0.0, u - h), hi = std::min(1.0, u + h);
                const glm::dvec3 d = passagePlace(p, e, hi, nullptr) - passagePlace(p, e, lo, nullptr);
                if (glm::length(d) > 1e-12) direction = glm::normalize(d);
            }
            glm::dvec3 offset(0.0);
            glm::dquat extra;
            p.action.onPath(e, pr.a, direction, turn, offset, extra);
            if (p.action.aboutCommonCenter()) {
                const glm::dvec3 center = glm::mix(p.centerFrom, p.centerTo, u);
                place = center + extra * (place - center);
            }
            place += offset;
            turn = extra * turn;
        }
        out[i].matrix = elementMatrix(rest_[i], place, turn, scale);
        out[i].opacity = fade(tr.vis, pr.v, opacityIn_[s]);
    }
}

void TrackMotion::evaluate(AnimTrack& track, double time, std::span<const AnimElement> elements,
                           std::vector<ElementFrame>& out) {
    out.assign(elements.size(), ElementFrame{});
    // Warp tracks move their warp records (WarpMotion), not their elements, which stay at rest.
    if (track.segments.empty() || elements.empty() || track.trackType == AnimTrack::kWarpTrack) return;
    fingerprint(track, elements);
    // Compared bit for bit, so a NaN read from a file does not force a rebuild every frame.
    const bool same = scratch_.size() == key_.size() &&
                      std::memcmp(scratch_.data(), key_.data(), key_.size() * sizeof(double)) == 0;
    if (!same || track_ != &track) {
        rebuild(track, elements);
        fingerprint(track, elements);  // preparing may have filled launch orders and windows
        key_.swap(scratch_);
    }
    AnimTrackSegment* segment = track.segmentAt(time);
    if (!segment) return;
    int s = 0;
    while (s < static_cast<int>(track.segments.size()) && track.segments[s].get() != segment) ++s;
    if (s == static_cast<int>(track.segments.size())) return;
    if (stationOf_[s] >= 0)
        evaluatePose(s, time, out);
    else
        evaluatePassage(s, time, out);
}

}  // namespace fw
