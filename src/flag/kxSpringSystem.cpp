#include "flag/kxSpringSystem.h"

#include <algorithm>
#include <cmath>

namespace fw {

int kxSpringSystem::addParticle(double x, double y, double z, double mass, bool locked) {
    kxParticle q;
    q.p[0] = q.prev[0] = q.saved[0] = x;
    q.p[1] = q.prev[1] = q.saved[1] = y;
    q.p[2] = q.prev[2] = q.saved[2] = z;
    q.locked = locked;
    q.setMass(mass);
    particles.push_back(q);
    return static_cast<int>(particles.size()) - 1;
}

int kxSpringSystem::addSpring(int a, int b, double restLength, double tolerance) {
    if (restLength == 0.0) {
        const kxParticle& A = particles[a];
        const kxParticle& B = particles[b];
        const double dx = B.p[0] - A.p[0], dy = B.p[1] - A.p[1], dz = B.p[2] - A.p[2];
        restLength = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    springs.push_back(kxSpring::make(a, b, restLength, tolerance));
    return static_cast<int>(springs.size()) - 1;
}

namespace {

// The one spring rule, inlined into the relaxation loop.
inline void satisfyOne(kxParticle* parts, const kxSpring& s) {
    kxParticle& A = parts[s.a];
    kxParticle& B = parts[s.b];
    const double dx = B.p[0] - A.p[0], dy = B.p[1] - A.p[1], dz = B.p[2] - A.p[2];
    const double d2 = dx * dx + dy * dy + dz * dz;
    if (d2 >= s.Lmt2 && d2 <= s.Lpt2) return;
    const double d = std::sqrt(d2);
    if (d == 0.0) return;  // no direction to push along
    const bool fixedA = A.fixed(), fixedB = B.fixed();
    if (fixedA && fixedB) return;
    const double target = d2 > s.Lpt2 ? s.Lpt : s.Lmt;
    if (d2 < s.Lm4t2) {
        // Crushed far past its band: lift it out of the cloth's plane so that it buckles
        // into a fold instead of folding flat onto itself.
        const double push = (s.Lmt - d) * 0.005;
        if (fixedA) {
            for (int c = 0; c < 3; ++c) B.p[c] += 2.0 * push * B.n[c];
        } else if (fixedB) {
            for (int c = 0; c < 3; ++c) A.p[c] += 2.0 * push * A.n[c];
        } else {
            for (int c = 0; c < 3; ++c) {
                A.p[c] += push * A.n[c];
                B.p[c] += push * B.n[c];
            }
        }
    }
    const double k = (d - target) / d;
    const double ex = k * dx, ey = k * dy, ez = k * dz;
    if (fixedA) {
        B.p[0] -= ex;
        B.p[1] -= ey;
        B.p[2] -= ez;
    } else if (fixedB) {
        A.p[0] += ex;
        A.p[1] += ey;
        A.p[2] += ez;
    } else {
        A.p[0] += 0.5 * ex;
        A.p[1] += 0.5 * ey;
        A.p[2] += 0.5 * ez;
        B.p[0] -= 0.5 * ex;
        B.p[1] -= 0.5 * ey;
        B.p[2] -= 0.5 * ez;
    }
}

}  // namespace

void kxSpringSystem::satisfy(const kxSpring& s) { satisfyOne(particles.data(), s); }

void kxSpringSystem::relax() {
    const int passes = std::max(1, relaxationPasses);
    const kxSpring* first = springs.data();
    const size_t count = springs.size();
    kxParticle* parts = particles.data();
    for (int pass = 0; pass < passes; ++pass)
        for (size_t i = 0; i < count; ++i) satisfyOne(parts, first[i]);
}

void kxSpringSystem::step(int s) {
    for (kxParticle& q : particles) {
        q.hit = q.obstacle = false;
        q.saved[0] = q.p[0];
        q.saved[1] = q.p[1];
        q.saved[2] = q.p[2];
    }

    setTime(s);
    computeForces();
    const int count = static_cast<int>(particles.size());
    for (int i = 0; i < count; ++i) computeForces(particles[i], i);

    if (selfCollision == kCollideAccurate && !paused)
        for (int pass = 0; pass < collisionPasses; ++pass) collisionPass();

    const double keep = 1.0 - damping, dt2 = dt * dt;
    for (kxParticle& q : particles) {
        if (q.fixed() && !(moveLocked && q.locked)) continue;
        for (int c = 0; c < 3; ++c)
            q.p[c] += keep * (q.p[c] - q.prev[c]) + dt * q.extVel[c] + dt2 * q.acc[c];
    }

    relax();
    afterConstraints();

    for (kxParticle& q : particles) {
        q.corr[0] = q.corr[1] = q.corr[2] = 0.0;
        q.corrCount = 0;
    }
    collectCorrections();
    for (kxParticle& q : particles) {
        if (q.corrCount == 0 || q.fixed()) continue;
        const double inv = 1.0 / q.corrCount;
        for (int c = 0; c < 3; ++c) q.p[c] += q.corr[c] * inv;
    }

    for (kxParticle& q : particles) {
        q.prev[0] = q.saved[0];
        q.prev[1] = q.saved[1];
        q.prev[2] = q.saved[2];
    }
    ++stepsRun;
    frame = s;

    const int k = std::max(1, cacheEvery);
    if (!paused && (s - startFrame_) % k == 0 && (cache_.empty() || cache_.back().frame < s)) store(s);
}

void kxSpringSystem::store(int s) {
    Snapshot shot{s, std::vector<double>(particles.size() * kStateDoubles)};
    double* out = shot.state.data();
    for (const kxParticle& q : particles) {
        std::copy(q.p, q.p + 3, out);
        std::copy(q.prev, q.prev + 3, out + 3);
        std::copy(q.saved, q.saved + 3, out + 6);
        out += kStateDoubles;
    }
    cache_.push_back(std::move(shot));
}

void kxSpringSystem::load(const Snapshot& shot) {
    const double* in = shot.state.data();
    for (kxParticle& q : particles) {
        std::copy(in, in + 3, q.p);
        std::copy(in + 3, in + 6, q.prev);
        std::copy(in + 6, in + 9, q.saved);
        in += kStateDoubles;
    }
    frame = shot.frame;
}

void kxSpringSystem::markStart(int startFrame) {
    cache_.clear();
    startFrame_ = startFrame;
    frame = startFrame;
    store(startFrame);
}

const std::vector<double>* kxSpringSystem::snapshotAt(int f) const {
    auto it = std::lower_bound(cache_.begin(), cache_.end(), f,
                               [](const Snapshot& shot, int value) { return shot.frame < value; });
    return it != cache_.end() && it->frame == f ? &it->state : nullptr;
}

bool kxSpringSystem::restore(int f) {
    auto it = std::lower_bound(cache_.begin(), cache_.end(), f,
                               [](const Snapshot& shot, int value) { return shot.frame < value; });
    if (it == cache_.end() || it->frame != f) return false;
    load(*it);
    return true;
}

int kxSpringSystem::simulateTo(int target) {
    if (cache_.empty()) markStart(frame);
    if (target < startFrame_) target = startFrame_;
    if (target != frame) {
        // The newest snapshot at or before the target, unless the live state is nearer.
        auto it = std::upper_bound(cache_.begin(), cache_.end(), target,
                                   [](int value, const Snapshot& shot) { return value < shot.frame; });
        const Snapshot& best = *(it - 1);
        if (frame > target || best.frame > frame) load(best);
    }
    if (frame == target) return frame;

    const int from = frame, total = target - frame;
    beginRun(from, target);
    for (int s = from + 1; s <= target; ++s) {
        if (cancel && cancel()) {
            endRun();
            return -1;
        }
        step(s);
        const int done = s - from;
        if (progress && total > kProgressAfter && done % kProgressEvery == 0) progress(done, total);
    }
    endRun();
    return frame;
}

}  // namespace fw
