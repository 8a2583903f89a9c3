#include "flag/kxFlag.h"

#include <algorithm>
#include <cmath>

#include <glm/matrix.hpp>

namespace fw {

namespace {

void turn(const glm::dmat4& m, const double in[3], double out[3]) {
    for (int r = 0; r < 3; ++r) out[r] = m[0][r] * in[0] + m[1][r] * in[1] + m[2][r] * in[2];
}

}  // namespace

kxFlag::kxFlag(const FlagUnit& unit)
    : unit_(unit),
      wind_(unit.speedGeneratorType, unit.speedGeneratorSeed, unit.windVariation, unit.windVariationSeed,
            unit.windStrength, unit.rate),
      nu_(std::clamp(unit.nu, 2, FlagUnit::kMostParticlesAcross)),
      nv_(std::clamp(unit.nv, 2, FlagUnit::kMostParticlesAcross)),
      sub_(std::clamp(unit.motionBlurPasses, 1, kMostSubSteps)) {
    const double hx = unit.width / (nu_ - 1), hy = unit.height / (nv_ - 1);
    const double edgeMass = unit.mass * unit.edgeMassPercent / 100.0;
    particles.reserve(nu_ * nv_);
    for (int j = 0; j < nv_; ++j)
        for (int i = 0; i < nu_; ++i) {
            const bool edge = i == 0 || j == 0 || i == nu_ - 1 || j == nv_ - 1;
            addParticle(i * hx, -j * hy, 0.0, edge ? edgeMass : unit.mass);
            rest_.insert(rest_.end(), {i * hx, -j * hy, 0.0});
            u_.push_back(i);
            v_.push_back(j);
        }
    lockPoints();
    for (int i = 0; i < static_cast<int>(particles.size()); ++i)
        if (particles[i].locked) pins_.push_back(i);

    // Stretch along rows and columns, shear across both diagonals, bend over two cells.
    // Tolerances as fractions of the rest length. Bending is free up to a quarter,
    // which also keeps bend springs from ever counting as crushed.
    const double stretch = 0.05 * std::max(0.0, unit.stretch), shear = 0.1 * std::max(0.0, unit.shear),
                 bend = 0.25 * std::max(0.0, unit.bend);
    const double hd = std::hypot(hx, hy);
    for (int j = 0; j < nv_; ++j)
        for (int i = 0; i < nu_; ++i) {
            if (i + 1 < nu_) addSpring(index(i, j), index(i + 1, j), hx, stretch * hx);
            if (j + 1 < nv_) addSpring(index(i, j), index(i, j + 1), hy, stretch * hy);
        }
    for (int j = 0; j + 1 < nv_; ++j)
        for (int i = 0; i + 1 < nu_; ++i) {
            addSpring(index(i, j), index(i + 1, j + 1), hd, shear * hd);
            addSpring(index(i + 1, j), index(i, j + 1), hd, shear * hd);
        }
    for (int j = 0; j < nv_; ++j)
        for (int i = 0; i < nu_; ++i) {
            if (i + 2 < nu_) addSpring(index(i, j), index(i + 2, j), 2 * hx, bend * 2 * hx);
            if (j + 2 < nv_) addSpring(index(i, j), index(i, j + 2), 2 * hy, bend * 2 * hy);
        }

    orderFromPins();

    // Slow motion shortens the step; the damping per step shrinks with it so that the
    // loss per second stays what the air friction asks for.
    // Sub-steps shorten the step the same way.
    const double slo = (unit.sloMo > 0.0 ? unit.sloMo : 1.0) / sub_;
    dt = unit.stepLength * slo;
    const double f = std::clamp(unit.airFriction / 50.0, 0.0, 1.0);
    damping = 1.0 - std::pow(1.0 - f, slo);
    relaxationPasses = std::min(unit.accuracySteps, FlagUnit::kMostPasses);
    selfCollision = unit.selfCollision;
    collisionDistance = 0.5 * std::min(hx, hy);
    grid_.reserve(nu_ * nv_, collisionDistance);
    scratch_.resize(particles.size() * kStateDoubles);
    markStart(startFrame() * sub_);
}

void kxFlag::orderFromPins() {
    // Gauss-Seidel carries a correction along the order it visits springs: visiting
    // those nearest the pins first lets the pins hold up the whole cloth in few passes.
    const int count = static_cast<int>(particles.size());
    std::vector<int> hops(count, -1), queue;
    for (int i = 0; i < count; ++i)
        if (particles[i].fixed()) hops[i] = 0, queue.push_back(i);
    for (size_t head = 0; head < queue.size(); ++head) {
        const int i = queue[head], u = u_[i], v = v_[i];
        const int next[4][2] = {{u - 1, v}, {u + 1, v}, {u, v - 1}, {u, v + 1}};
        for (const auto& n : next)
            if (n[0] >= 0 && n[0] < nu_ && n[1] >= 0 && n[1] < nv_ && hops[index(n[0], n[1])] < 0) {
                hops[index(n[0], n[1])] = hops[i] + 1;
                queue.push_back(index(n[0], n[1]));
            }
    }
    if (queue.empty()) return;
    std::stable_sort(springs.begin(), springs.end(), [&](const kxSpring& x, const kxSpring& y) {
        return std::min(hops[x.a], hops[x.b]) < std::min(hops[y.a], hops[y.b]);
    });
}

void kxFlag::lockPoints() {
    std::vector<std::vector<int>> edges;
    auto column = [&](int i) {
        std::vector<int> e;
        for (int j = 0; j < nv_; ++j) e.push_back(index(i, j));
        edges.push_back(e);
    };
    auto row = [&](int j) {
        std::vector<int> e;
        for (int i = 0; i < nu_; ++i) e.push_back(index(i, j));
        edges.push_back(e);
    };
    switch (unit_.lockEdge) {
        case FlagUnit::kEdgeNone: break;
        case FlagUnit::kEdgeRight: column(nu_ - 1); break;
        case FlagUnit::kEdgeTop: row(0); break;
        case FlagUnit::kEdgeBottom: row(nv_ - 1); break;
        case FlagUnit::kEdgeLeftRight: column(0), column(nu_ - 1); break;
        case FlagUnit::kEdgeTopBottom: row(0), row(nv_ - 1); break;
        case FlagUnit::kEdgeAll: column(0), column(nu_ - 1), row(0), row(nv_ - 1); break;
        case FlagUnit::kEdgeCenter: particles[index(nu_ / 2, nv_ / 2)].locked = true; break;
        default: column(0); break;
    }
    for (const std::vector<int>& e : edges) {
        const int last = static_cast<int>(e.size()) - 1;
        std::vector<int> at;
        switch (unit_.lockPoints) {
            case FlagUnit::kPointsNone: break;
            case FlagUnit::kPointsEdge:
                for (int k = 0; k <= last; ++k) at.push_back(k);
                break;
            case FlagUnit::kPointsCorners: at = {0, last}; break;
            case FlagUnit::kPointsCornersTwoCenters: at = {0, last, (last + 1) / 3, (2 * last + 1) / 3}; break;
            case FlagUnit::kPointsTwoCenters: at = {(last + 1) / 3, (2 * last + 1) / 3}; break;
            default: at = {0, last, last / 2}; break;
        }
        for (int k : at) particles[e[k]].locked = true;
    }
}

void kxFlag::setTime(int s) {
    // Steps count sub-steps; the wind and the animation run in frames.
    const double at = static_cast<double>(s) / sub_;
    windSpeed_ = wind_.speed(at - startFrame());
    if (turnAt && !unit_.useLocalForces) {
        transforms[0] = turnAt(at);
        transforms[1] = glm::transpose(transforms[0]);
    }
    // World forces reach the cloth through its own frame unless they are meant in it.
    const double g[3] = {0.0, 100.0 * unit_.gravity, 0.0};
    if (unit_.useLocalForces) {
        std::copy(g, g + 3, gravity_);
        std::copy(unit_.windDirection, unit_.windDirection + 3, windDir_);
    } else {
        turn(transforms[1], g, gravity_);
        turn(transforms[1], unit_.windDirection, windDir_);
    }
}

void kxFlag::computeForces() {
    // Each particle's normal from its neighbours across and down (one-sided at the edges).
    for (int j = 0; j < nv_; ++j)
        for (int i = 0; i < nu_; ++i) {
            const double* l = particles[index(std::max(i - 1, 0), j)].p;
            const double* r = particles[index(std::min(i + 1, nu_ - 1), j)].p;
            const double* t = particles[index(i, std::max(j - 1, 0))].p;
            const double* b = particles[index(i, std::min(j + 1, nv_ - 1))].p;
            const double a[3] = {r[0] - l[0], r[1] - l[1], r[2] - l[2]};
            const double c[3] = {t[0] - b[0], t[1] - b[1], t[2] - b[2]};
            double n[3] = {a[1] * c[2] - a[2] * c[1], a[2] * c[0] - a[0] * c[2], a[0] * c[1] - a[1] * c[0]};
            const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (len > 0.0) {
                double* out = particles[index(i, j)].n;
                out[0] = n[0] / len;
                out[1] = n[1] / len;
                out[2] = n[2] / len;
            }
        }
}

void kxFlag::computeForces(kxParticle& q, int) {
    if (q.invMass == 0.0) {
        q.acc[0] = q.acc[1] = q.acc[2] = 0.0;
        q.extVel[0] = q.extVel[1] = q.extVel[2] = 0.0;
        return;
    }
    std::copy(gravity_, gravity_ + 3, q.acc);
    const double dn = windDir_[0] * q.n[0] + windDir_[1] * q.n[1] + windDir_[2] * q.n[2];
    const double push = (windSpeed_ + unit_.windStrength) * 10.0 * dn * q.invMass;
    for (int c = 0; c < 3; ++c) q.extVel[c] = push * q.n[c] + unit_.flagNudge[c];
}

void kxFlag::afterConstraints() {
    // Pins stay where the cloth was tied, even when locked particles were let move.
    for (int i : pins_) std::copy(&rest_[3 * i], &rest_[3 * i] + 3, particles[i].p);
}

bool kxFlag::sharesTriangle(int a, int b) const {
    const int du = u_[a] - u_[b], dv = v_[a] - v_[b];
    // Cells are split along the diagonal from (i, j) to (i + 1, j + 1).
    return std::abs(du) <= 1 && std::abs(dv) <= 1 && !(du != 0 && du == -dv);
}

void kxFlag::collisionPass() {
    grid_.build(particles, true);
    const double cd = collisionDistance, cd2 = cd * cd;
    const int count = static_cast<int>(particles.size());
    for (int i = 0; i < count; ++i) {
        kxParticle& q = particles[i];
        if (q.fixed()) continue;
        grid_.forNear(q.p, [&](int j) {
            if (j == i || sharesTriangle(i, j)) return;
            kxParticle& o = particles[j];
            const double dx = q.p[0] - o.saved[0], dy = q.p[1] - o.saved[1], dz = q.p[2] - o.saved[2];
            const double d2 = dx * dx + dy * dy + dz * dz;
            if (d2 >= cd2) return;
            const double d = std::sqrt(d2);
            // On top of the corner: leave along the particle's own normal.
            const double ux = d > 0.0 ? dx / d : q.n[0], uy = d > 0.0 ? dy / d : q.n[1],
                         uz = d > 0.0 ? dz / d : q.n[2];
            q.p[0] = o.saved[0] + cd * ux;
            q.p[1] = o.saved[1] + cd * uy;
            q.p[2] = o.saved[2] + cd * uz;
            q.hit = o.obstacle = true;
        });
    }
}

void kxFlag::collectCorrections() {
    if (selfCollision == kCollideNone || paused) return;
    grid_.build(particles, false);
    const double cd = collisionDistance, cd2 = cd * cd;
    const int count = static_cast<int>(particles.size());
    for (int i = 0; i < count; ++i) {
        const kxParticle& q = particles[i];
        grid_.forNear(q.p, [&](int j) {
            // Each pair once, and only parts of the cloth that are apart along it.
            if (j <= i || (std::abs(u_[i] - u_[j]) < 4 && std::abs(v_[i] - v_[j]) < 4)) return;
            kxParticle& o = particles[j];
            const double dx = o.p[0] - q.p[0], dy = o.p[1] - q.p[1], dz = o.p[2] - q.p[2];
            const double d2 = dx * dx + dy * dy + dz * dz;
            if (d2 >= cd2 || d2 == 0.0) return;
            const double d = std::sqrt(d2), half = 0.5 * (cd - d) / d;
            addCorrection(i, -half * dx, -half * dy, -half * dz);
            addCorrection(j, half * dx, half * dy, half * dz);
            particles[i].hit = o.hit = true;
        });
    }
}

bool kxFlag::liveState(int f, int k, std::vector<double>& state) {
    const int s = std::max(f * sub_ + k, startFrame() * sub_);
    if (const std::vector<double>* cached = snapshotAt(s)) {
        state = *cached;
        return true;
    }
    // -1 is also a lead-in step; a cancelled run stops short of its target.
    if (simulateTo(s) < 0 && frame != s) return false;
    state.resize(particles.size() * kStateDoubles);
    double* out = state.data();
    for (const kxParticle& q : particles) {
        std::copy(q.p, q.p + 3, out);
        std::copy(q.prev, q.prev + 3, out + 3);
        std::copy(q.saved, q.saved + 3, out + 6);
        out += kStateDoubles;
    }
    return true;
}

void kxFlag::loopFrames(int f, int& shown, int& blended, double& weight) const {
    shown = f;
    blended = f;
    weight = 0.0;
    if (!unit_.loopOn) return;
    const int anchor = unit_.loopAnchor, repeat = std::max(1, unit_.loopRepeat);
    if (f >= anchor) shown = anchor + (f - anchor) % repeat;
    const int blend = std::min(std::max(0, unit_.loopBlend), repeat);
    const int zone = anchor + repeat - blend;
    if (blend == 0 || f < anchor || shown < zone) return;
    // Across the zone the cloth turns into the lead-in of the anchor, reaching the frame
    // just before it on the loop's last frame, so the jump back joins without a seam.
    const double u = static_cast<double>(shown - zone + 1) / blend;
    weight = u * u * (3.0 - 2.0 * u);
    blended = shown - repeat;
}

bool kxFlag::stateAt(int f, std::vector<double>& state, int k) {
    int shown, blended;
    double w;
    loopFrames(f, shown, blended, w);
    if (w > 0.0) {
        if (!liveState(blended, k, scratch_)) return false;
        if (!liveState(shown, k, state)) return false;
        for (size_t i = 0; i < state.size(); ++i) state[i] += w * (scratch_[i] - state[i]);
    } else if (!liveState(shown, k, state)) {
        return false;
    }
    const double flat = std::clamp(unit_.flatten, 0.0, 1.0);
    if (flat > 0.0)
        for (size_t i = 0; i < particles.size(); ++i)
            for (int part = 0; part < 3; ++part)
                for (int c = 0; c < 3; ++c) {
                    double& x = state[i * kStateDoubles + part * 3 + c];
                    x += flat * (rest_[i * 3 + c] - x);
                }
    return true;
}

bool kxFlag::positionsAt(double time, std::vector<double>& positions) {
    const int f = static_cast<int>(std::floor(time));
    const double u = (time - f) * sub_;
    const int k = std::min(static_cast<int>(u), sub_ - 1);
    const double w = u - k;
    std::vector<double> state;
    if (!stateAt(f, state, k)) return false;
    // Between two kept states: the next sub-step, or the next frame's first.
    if (w > 0.0 && !(k + 1 < sub_ ? stateAt(f, next_, k + 1) : stateAt(f + 1, next_))) return false;
    positions.resize(particles.size() * 3);
    for (size_t i = 0; i < particles.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const double a = state[i * kStateDoubles + c];
            positions[i * 3 + c] = w > 0.0 ? a + w * (next_[i * kStateDoubles + c] - a) : a;
        }
    return true;
}

}  // namespace fw
