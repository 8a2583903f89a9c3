#pragma once
// A rectangular cloth on the spring solver: a grid of Nu by Nv particles with stretch,
// shear and bend springs, pinned along the chosen edge, blown by the wind along its
// normals and pulled down by gravity; its states are kept so playback recomputes nothing.

#include <algorithm>
#include <functional>
#include <vector>

#include "flag/FlagUnit.h"
#include "flag/FlagWind.h"
#include "flag/ParticleGrid.h"
#include "flag/kxSpringSystem.h"

namespace fw {

class kxFlag : public kxSpringSystem {
public:
    explicit kxFlag(const FlagUnit& unit);

    int index(int i, int j) const { return j * nu_ + i; }
    int across() const { return nu_; }
    int down() const { return nv_; }
    // The flat cloth: x across from the pinned corner, y down, z = 0.
    const std::vector<double>& restPositions() const { return rest_; }
    const FlagUnit& unit() const { return unit_; }
    // Frame the simulation starts from (before frame 0 by the lead-in).
    int startFrame() const { return -std::clamp(unit_.leadInFrames(), 0, FlagUnit::kMostLeadIn); }
    // Steps a frame is simulated in (MotionBlurPasses, 1 to kMostSubSteps): each one's
    // state is kept, so the motion between frames is simulated, not drawn straight.
    int subSteps() const { return sub_; }
    static constexpr int kMostSubSteps = 8;  // the longest lead-in stays minutes at most

    // The particles' state at `frame` (position, previous and saved position per
    // particle, 9 doubles), or at its sub-step `k`, with looping and flattening applied;
    // false when cancelled.
    bool stateAt(int frame, std::vector<double>& state, int k = 0);
    // Positions only (3 doubles per particle) at a time in frames: between two kept
    // states (frames, or their sub-steps) the positions are interpolated.
    bool positionsAt(double time, std::vector<double>& positions);
    // The frame whose simulated state `frame` shows, and the earlier frame blended into
    // it with its weight (0 outside a loop's blend zone).
    void loopFrames(int frame, int& shown, int& blended, double& weight) const;

    // The flag's frame in the world's (turn only) at a step, when the flag moves: world
    // forces are taken into the flag through it at every step. Unset, transforms[1] holds.
    std::function<glm::dmat4(double frame)> turnAt;

protected:
    void setTime(int s) override;
    void computeForces() override;
    void computeForces(kxParticle& q, int index) override;
    void collisionPass() override;
    void afterConstraints() override;
    void collectCorrections() override;

private:
    void lockPoints();
    void orderFromPins();
    bool sharesTriangle(int a, int b) const;
    bool liveState(int frame, int k, std::vector<double>& state);

    FlagUnit unit_;
    FlagWind wind_;
    int nu_, nv_;
    int sub_;
    std::vector<double> rest_;
    std::vector<int> u_, v_;  // each particle's grid column and row
    std::vector<int> pins_;   // the locked particles
    ParticleGrid grid_;
    double gravity_[3], windDir_[3];
    double windSpeed_ = 0.0;
    std::vector<double> scratch_, next_;
};

}  // namespace fw
