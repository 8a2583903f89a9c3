#pragma once
// The particle and spring solver: Verlet steps, Gauss-Seidel relaxation of the springs,
// averaged collision corrections and a cache of states so playback recomputes nothing.
// Derived systems (kxFlag, kxCage) fill in the forces and the collision hooks.

#include <functional>
#include <vector>

#include <glm/mat4x4.hpp>

#include "flag/kxParticle.h"
#include "flag/kxSpring.h"

namespace fw {

class kxSpringSystem {
public:
    enum SelfCollision { kCollideNone = 1, kCollideFast = 2, kCollideAccurate = 3 };

    virtual ~kxSpringSystem() = default;

    int addParticle(double x, double y, double z, double mass, bool locked = false);
    // A rest length of 0 takes the particles' current distance.
    int addSpring(int a, int b, double restLength = 0.0, double tolerance = 0.1);

    // One step numbered s (the system moves from frame s - 1 to frame s).
    void step(int s);
    // max(1, relaxationPasses) passes over every spring in order.
    void relax();
    void satisfy(const kxSpring& s);

    // The state the cache starts from, at `frame`; drops every other snapshot.
    void markStart(int frame);
    // Steps up to `target` from the newest usable state; the frame reached, or -1 when
    // the cancel callback stopped it (the system then holds the last completed frame).
    int simulateTo(int target);
    // The cached state of `frame` into the particles, if one is kept.
    bool restore(int frame);
    const std::vector<double>* snapshotAt(int frame) const;

    std::vector<kxParticle> particles;
    std::vector<kxSpring> springs;
    glm::dmat4 transforms[2] = {glm::dmat4(1.0), glm::dmat4(1.0)};  // local to world, and back
    int frame = 0;
    double dt = 1.0 / 30.0;
    int relaxationPasses = 12;
    int selfCollision = kCollideNone;
    int collisionPasses = 1;  // particle-triangle passes per step in the accurate mode
    double collisionDistance = 0.0;
    bool paused = false;
    bool moveLocked = false;
    std::function<bool()> cancel;                            // true stops the run
    std::function<void(int done, int total)> progress;        // long runs only
    int cacheEvery = 1;                                       // k: a snapshot every k steps
    double damping = 0.05;                                    // f
    long stepsRun = 0;                                        // every step ever taken

    static constexpr int kProgressAfter = 200;
    static constexpr int kProgressEvery = 10;
    static constexpr int kStateDoubles = 9;  // position, previous, saved

protected:
    virtual void setTime(int /*s*/) {}
    virtual void computeForces() {}
    virtual void computeForces(kxParticle& /*particle*/, int /*index*/) {}
    virtual void collisionPass() {}
    virtual void afterConstraints() {}
    virtual void collectCorrections() {}
    virtual void beginRun(int /*from*/, int /*to*/) {}
    virtual void endRun() {}

    // One correction towards the mean a particle is moved by at the end of the step.
    void addCorrection(int i, double dx, double dy, double dz) {
        kxParticle& q = particles[i];
        q.corr[0] += dx;
        q.corr[1] += dy;
        q.corr[2] += dz;
        ++q.corrCount;
    }

private:
    struct Snapshot {
        int frame;
        std::vector<double> state;
    };
    void store(int s);
    void load(const Snapshot& shot);

    std::vector<Snapshot> cache_;
    int startFrame_ = 0;
};

}  // namespace fw
