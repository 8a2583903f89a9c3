// The motion of a track's elements through evaluateTrack, the smoothing curve beneath it and the poses' arrangements
// (one curve through every pose, bent by smoothing: StoredSettings.AutomaticSmoothingFollowsHowThePathTurnsAtEachPose).
#include "anim/ElementMotion.h"

#include <glm/ext/matrix_relational.hpp>
#include <glm/geometric.hpp>

#include "AnimTestScene.h"
#include "anim/ElementRotation.h"
#include "anim/PoseLayout.h"
#include "anim/TrackCurve.h"

namespace fw {
namespace {

using test::Timeline;

glm::dvec3 placeAt(const ElementFrame& f, const AnimElement& e) {
    return glm::dvec3(f.matrix * glm::dvec4(e.center[0], e.center[1], e.center[2], 1.0));
}

// Where every element is, sampled every quarter frame over [from, to].
std::vector<std::vector<glm::dvec3>> sample(Timeline& t, const std::vector<AnimElement>& el, double from, double to) {
    std::vector<std::vector<glm::dvec3>> out(el.size());
    for (double time = from; time <= to; time += 0.25) {
        const auto frames = evaluateTrack(t.track, time, el);
        for (size_t i = 0; i < el.size(); ++i) out[i].push_back(placeAt(frames[i], el[i]));
    }
    return out;
}

glm::dvec3 placeOf(const AnimElement& e, const ElementState& s) {
    return glm::dvec3(e.center[0] + s.translate[0], e.center[1] + s.translate[1], e.center[2] + s.translate[2]);
}

}  // namespace

TEST(ElementMotion, DefaultsGiveEveryElementItsRestPlace) {
    const auto el = test::letters(6);
    Timeline t(3);
    for (AnimTransition* tr : t.transitions) tr->smoothing.startSmooth = tr->smoothing.endSmooth = 100;
    for (double time = -5; time < 90; time += 0.5) {
        const auto frames = evaluateTrack(t.track, time, el);
        ASSERT_EQ(frames.size(), el.size());
        for (const ElementFrame& f : frames)
            EXPECT_TRUE(glm::all(glm::equal(f.matrix, glm::dmat4(1.0), 1e-12)) && f.opacity == 1.0) << time;
    }
}

TEST(ElementMotion, EditsBetweenFramesAreSeenAtOnce) {
    auto el = test::letters(2);
    Timeline t(2);
    EXPECT_EQ(placeAt(evaluateTrack(t.track, 45, el)[1], el[1]).y, 0);
    t.move(1, 100, {0, 1, 0});
    EXPECT_NEAR(placeAt(evaluateTrack(t.track, 45, el)[1], el[1]).y, 100, 1e-9);
    el[1].center[1] = 10;  // the element itself moved (a relaid text)
    EXPECT_NEAR(placeAt(evaluateTrack(t.track, 45, el)[1], el[1]).y, 110, 1e-9);
    t.transitions[0]->length = 10, t.poses[1]->startFrame = 20;  // a shorter transition: frame 25 is in the pose
    EXPECT_NEAR(placeAt(evaluateTrack(t.track, 25, el)[1], el[1]).y, 110, 1e-9);
}

TEST(ElementMotion, ATransitionLeavesAndArrivesAtThePosesAndMovesContinuously) {
    const auto el = test::letters(5);
    Timeline t(2);
    AnimPoseSettings& to = t.poses[1]->settings;
    to.distributeType = AnimPoseSettings::kCircleY, to.localCenterRotation[1] = 120, to.localScale[0] = 150;
    to.moveDistance = 300;
    AnimTransition& tr = *t.transitions[0];
    tr.sequence.overlap = 60, tr.sequence.startEase = tr.sequence.endEase = 30;
    tr.path.bowAmount = 20, tr.path.twist = 90;
    tr.smoothing.startSmooth = tr.smoothing.endSmooth = 100;
    const auto leaving = evaluateTrack(t.track, 9.5, el), arriving = evaluateTrack(t.track, 40, el);
    const auto first = evaluateTrack(t.track, 10, el), last = evaluateTrack(t.track, 39.999999, el);
    const auto states = poseStates(*t.poses[1], el);
    const auto paths = sample(t, el, 5, 45);
    for (size_t i = 0; i < el.size(); ++i) {
        double length = 0, largest = 0;
        for (size_t k = 1; k < paths[i].size(); ++k) {
            const double step = glm::length(paths[i][k] - paths[i][k - 1]);
            length += step, largest = std::max(largest, step);
        }
        EXPECT_GT(length, 100.0);
        EXPECT_LT(largest, 10 * length / (paths[i].size() - 1));  // no jump anywhere
        // The transition's first frame is at most a few average frames' travel out.
        EXPECT_LT(glm::length(placeAt(first[i], el[i]) - placeAt(leaving[i], el[i])), 4 * length / 30);
        EXPECT_TRUE(glm::all(glm::equal(last[i].matrix, arriving[i].matrix, 1e-3))) << "element " << i;
        EXPECT_LT(glm::distance(placeAt(arriving[i], el[i]), placeOf(el[i], states[i])), 1e-9);
    }
}

TEST(ElementMotion, OvershootPassesTheTargetThenSettlesAndPullBackGoesBackFirst) {
    const auto el = test::letters(1);
    Timeline t(2);
    t.move(1, 400, {1, 0, 0});
    t.transitions[0]->path.endOvershoot = 20, t.transitions[0]->path.startOvershoot = 10;
    const auto path = sample(t, el, 10, 40)[0];
    for (const glm::dvec3& p : path) EXPECT_NEAR(p.y, 0, 1e-9);
    const auto far = std::ranges::max_element(path, {}, &glm::dvec3::x);
    EXPECT_NEAR(far->x, 400 * 1.2, 2.0);
    EXPECT_NEAR(std::ranges::min_element(path, {}, &glm::dvec3::x)->x, -400 * 0.1, 2.0);
    EXPECT_LT(far, path.end() - 8);  // the far point comes before the end...
    EXPECT_NEAR(path.back().x, 400, 1e-9);  // ...and the element settles back on its target
}

TEST(ElementMotion, BowLiftsTheMidpointByItsShareOfTheTravelInItsDirection) {
    const auto el = test::letters(3);
    Timeline t(2);
    t.poses[1]->settings.moveDistance = -400;  // toward the camera along +Z
    AnimPath& path = t.transitions[0]->path;
    path.bowAmount = 25, path.bowAmount2 = 75, path.bowAmountStyle = AnimPath::kEven, path.bowDirection = 90;
    // Overlap 0 and no ease: every element is half way at p = 0.5, time 10 - 1 + 31 / 2.
    const auto frames = evaluateTrack(t.track, 24.5, el);
    for (size_t i = 0; i < el.size(); ++i) {  // bows of 25, 50 and 75 percent
        const glm::dvec3 off = placeAt(frames[i], el[i]) - glm::dvec3(el[i].center[0], 0, 0);
        // Half way along the straight line (+Z); bow 0 degrees lifts (+Y), 90 about the line of travel swings it to -X.
        EXPECT_LT(glm::distance(off, glm::dvec3(-0.25 * (i + 1) * 400, 0, 200)), 1e-9) << i;
    }
}

TEST(ElementMotion, ActionsTurnOnTheWayAndPoseActionsHandOnWhereTheyEnded) {
    const auto el = test::letters(2);
    Timeline t(2);
    AnimPathAction& spin = t.transitions[0]->action;
    spin.actionType = AnimPathAction::kSpin, spin.amount[0] = 1;
    auto turnOfX = [&](double at) { return evaluateTrack(t.track, at, el)[0].matrix[0][0]; };  // X turned, along X
    EXPECT_NEAR(turnOfX(24.5), -1, 1e-9);  // half a turn half way
    EXPECT_NEAR(turnOfX(39.999999), 1, 1e-5);
    AnimPathAction& roll = t.poses[0]->action;
    roll.actionType = AnimPathAction::kPoseTitleRollUp, roll.amount[0] = 3;  // units per frame
    EXPECT_NEAR(placeAt(evaluateTrack(t.track, 4, el)[1], el[1]).y, 12, 1e-9);
    // The transition starts from the pose's end (10 frames up), not from rest.
    EXPECT_NEAR(placeAt(evaluateTrack(t.track, 10, el)[1], el[1]).y, 30, 1.5);
}

TEST(ElementMotion, FadesRunOverTheirRangeAndHoldAfterwards) {
    const auto el = test::letters(3);
    Timeline t(2);
    AnimTransition& tr = *t.transitions[0];
    tr.sequence.overlap = 100;  // one after another
    tr.vis.visType = AnimVis::kFadeOn, tr.vis.startTime = 20, tr.vis.endTime = 80;
    double previous = -1;
    for (double time = 10; time < 40; time += 0.25) {
        const auto frames = evaluateTrack(t.track, time, el);
        EXPECT_GE(frames[0].opacity, previous);
        previous = frames[0].opacity;
        EXPECT_GE(frames[0].opacity, frames[2].opacity);  // the last letter has not begun
    }
    EXPECT_EQ(std::pair(evaluateTrack(t.track, 10, el)[2].opacity, evaluateTrack(t.track, 39.99, el)[0].opacity),
              std::pair(0.0, 1.0));
    EXPECT_NEAR(evaluateTrack(t.track, 10 - 1 + 31.0 / 6, el)[0].opacity, 0.5, 1e-9);  // u = 1/2 of its third
    tr.vis.visType = AnimVis::kFadeOff;
    EXPECT_EQ(evaluateTrack(t.track, 10, el)[2].opacity, 1.0);
    EXPECT_EQ(evaluateTrack(t.track, 45, el)[1].opacity, 0.0);  // the pose after keeps them hidden
}

TEST(TrackCurve, KnotsPickTheSpanAndTheEndsHold) {
    TrackCurve c;
    // A quarter-circle-like span then a straight one, with uneven knots.
    c.setControlPoints({{0, 0, 0}, {0, 1, 0}, {1, 2, 0}, {2, 2, 0}, {3, 2, 0}, {4, 2, 0}, {5, 2, 0}}, {0, 2, 3});
    EXPECT_EQ(c.spanCount(), 2);
    const TrackCurve::Sample mid = c.evaluate(1.0);  // half way through the first span
    EXPECT_NEAR(glm::distance(mid.point, glm::dvec3(0 + 3 * 0 + 3 * 1 + 2, 0 + 3 * 1 + 3 * 2 + 2, 0) / 8.0), 0, 1e-12);
    // The direction is the unit difference of the last two intermediate points; the normal is (Y x d) x d.
    const glm::dvec3 d = glm::normalize(glm::dvec3(1 - 0.25, 1.75 - 1, 0));
    EXPECT_NEAR(glm::distance(mid.direction, d), 0, 1e-12);
    EXPECT_NEAR(glm::distance(mid.normal, glm::cross(glm::cross(glm::dvec3(0, 1, 0), d), d)), 0, 1e-12);
    EXPECT_EQ(c.evaluate(2.5).point, glm::dvec3(3.5, 2, 0));
    EXPECT_EQ(c.evaluate(7).point, glm::dvec3(5, 2, 0));  // beyond the last knot: the last point
    EXPECT_EQ(c.evaluate(-1).point, glm::dvec3(0, 0, 0));
}

TEST(TrackCurve, NoSmoothingIsAnEvenStraightLineAndFullSmoothingTurnsThroughThePose) {
    const glm::dvec3 pts[3] = {{0, 0, 0}, {300, 0, 0}, {300, 300, 0}};
    const double none[2] = {0, 0}, full[2] = {100, 100};
    TrackCurve straight, smooth;
    straight.build(pts, pts, none, none);
    smooth.build(pts, pts, full, full);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(glm::distance(straight.spanPoint(0, i / 10.0), glm::dvec3(30.0 * i, 0, 0)), 0, 1e-9);
        EXPECT_NEAR(straight.spanPoint(1, i / 10.0).x, 300, 1e-9);
    }
    const glm::dvec3 in = glm::normalize(smooth.spanTangent(0, 1)), out = glm::normalize(smooth.spanTangent(1, 0));
    EXPECT_NEAR(glm::dot(in, out), 1, 1e-12);
    EXPECT_NEAR(glm::dot(in, glm::normalize(glm::dvec3(1, 1, 0))), 1, 1e-12);
    // Past the span's end the point carries on along its tangent (overshoot).
    EXPECT_NEAR(glm::distance(smooth.spanPoint(0, 1.1), pts[1] + 0.1 * smooth.spanTangent(0, 1)), 0, 1e-9);
}

TEST(PoseLayout, EachShapePutsTheElementsOnItAndSpreadScalesTheirDistancesOnFlaggedAxes) {
    const auto elements = test::letters(11);
    const PoseLayout layout(elements);
    const glm::dvec3 c = layout.center();
    const double r = 0.8 * layout.extent(), eps = 1e-9;
    for (int shape = 0; shape < AnimPoseSettings::kShapeNone; ++shape) {
        SCOPED_TRACE(AnimPoseSettings::shapeName(shape));
        AnimPoseSettings s;
        s.distributeType = shape, s.distributeSize = 80, s.distributeSeed = 7;
        s.distributeParam2 = 0, s.distributeParam2b = 360;
        const auto states = layout.arrange(s);
        EXPECT_EQ(states.size(), elements.size());
        double farthest = 0;
        for (size_t i = 0; i < elements.size(); ++i) {
            const glm::dvec3 p = placeOf(elements[i], states[i]), d = p - c;
            farthest = std::max(farthest, glm::length(d));
            // The first fifteen shapes come in threes by axis (X, Y, Z): a line along it, then across it a circle, a
            // disc, a square's outline (one coordinate at the side) and a filled square.
            const int family = shape / 3, axis = shape % 3;
            const double along = std::abs(d[axis]);
            const double across = std::max(std::abs(d[(axis + 1) % 3]), std::abs(d[(axis + 2) % 3]));
            const double size = family == 0 ? along : family >= 3 ? across : glm::length(d);
            if (shape < AnimPoseSettings::kPushOut) {
                EXPECT_LT(family == 0 ? across : along, eps);
                if (family == 1 || family == 3)
                    EXPECT_NEAR(size, r, 1e-6);
                else
                    EXPECT_LT(size, family == 4 ? r : r + eps);
            }
            switch (shape) {
            case AnimPoseSettings::kSphereVolume: EXPECT_LE(glm::length(d), r + eps); break;
            case AnimPoseSettings::kSphereShell: EXPECT_NEAR(glm::length(d), r, 1e-6); break;
            case AnimPoseSettings::kCylinder:  // a drum along X: distance from its axis, place along it kept
                EXPECT_NEAR(std::hypot(d.y, d.z), r, 1e-6);
                EXPECT_NEAR(p.x, elements[i].center[0], eps);
                break;
            case AnimPoseSettings::kPushOut: {  // pushed r further out, in the same direction
                const glm::dvec3 from = glm::dvec3(elements[i].center[0], elements[i].center[1], 0) - c;
                EXPECT_NEAR(glm::length(d) - glm::length(from), r, 1e-6);
                break;
            }
            case AnimPoseSettings::kSpreadOnGround:  // lying face up on the block's floor
                EXPECT_NEAR(p.y, -90 - 36 + 8, eps);
                EXPECT_TRUE(std::abs(d.x) <= r && std::abs(d.z) <= r);
                break;
            case AnimPoseSettings::kSpreadOnWall: EXPECT_NEAR(p.z, -8, eps); break;
            default: break;
            }
        }
        EXPECT_GT(farthest, 0.3 * r);  // the shape is used, not collapsed to its centre
        const auto again = PoseLayout(test::letters(11)).arrange(s);
        for (size_t i = 0; i < elements.size(); ++i)
            EXPECT_TRUE(std::ranges::equal(states[i].translate, again[i].translate) &&
                        std::ranges::equal(states[i].rotate, again[i].rotate)) << "element " << i;
    }
    AnimPoseSettings s;
    s.spread = 50, s.spreadXYZ[1] = 0, s.globalScale[0] = s.globalScale[1] = s.globalScale[2] = 200;
    const auto states = layout.arrange(s);
    for (size_t i = 0; i < elements.size(); ++i) {
        const glm::dvec3 p = placeOf(elements[i], states[i]);
        EXPECT_NEAR(p.x - c.x, 3.0 * (elements[i].center[0] - c.x), 1e-9);
        EXPECT_NEAR(p.y - c.y, 2.0 * (elements[i].center[1] - c.y), 1e-9);
        EXPECT_EQ(states[i].scale[0], 2.0);
    }
}

TEST(PoseLayout, AnArcRunsFromTheFirstAngleToTheSecondAndFacesOutward) {
    const auto elements = test::letters(5);
    const PoseLayout layout(elements);
    AnimPoseSettings s;
    s.distributeType = AnimPoseSettings::kCircleY, s.distributeParam2 = -90, s.distributeParam2b = 90;
    const auto states = layout.arrange(s);
    for (int i = 0; i < 5; ++i) {  // -90 to 90 degrees in even steps
        const glm::dvec3 d = placeOf(elements[i], states[i]) - layout.center();
        EXPECT_NEAR(std::atan2(d.x, d.z) * 180 / 3.141592653589793, -90 + 45 * i, 1e-9);
        // The front face (+Z) looks out of the ring.
        const glm::dvec3 front = eulerToQuat(states[i].rotate) * glm::dvec3(0, 0, 1);
        EXPECT_NEAR(glm::dot(front, glm::normalize(d)), 1, 1e-9);
    }
}

TEST(PoseLayout, ShuffleTradesPlacesAndRandomiseStaysWithinItsDistance) {
    const auto elements = test::letters(7);
    const PoseLayout layout(elements);
    AnimPoseSettings s, r;
    s.shuffleType = 1, s.shuffleSeed = 3;
    auto states = layout.arrange(s);
    std::vector<double> xs;
    for (size_t i = 0; i < elements.size(); ++i) xs.push_back(placeOf(elements[i], states[i]).x);
    std::ranges::sort(xs);
    for (size_t i = 0; i < xs.size(); ++i) EXPECT_DOUBLE_EQ(xs[i], 50.0 * i);  // the same places, traded
    EXPECT_TRUE(std::ranges::any_of(states, [](const ElementState& st) { return st.translate[0] != 0; }));
    r.randomizeDistance = 30, r.randomizeXYZ[2] = 0;
    states = layout.arrange(r);
    for (const ElementState& st : states)
        EXPECT_TRUE(std::abs(st.translate[0]) <= 30 && std::abs(st.translate[1]) <= 30 && st.translate[2] == 0)
            << st.translate[0] << " " << st.translate[1] << " " << st.translate[2];
}

}  // namespace fw
