#pragma once
// The transparency channel: how much light passes, how it bends, and the spread of
// the refracted rays that blur what is seen through the surface.

#include <array>
#include <vector>

#include "surface/MaterialChannel.h"
#include "surface/RayDirections.h"

namespace fw {

class MaterialChannelTransparency : public MaterialChannel {
public:
    explicit MaterialChannelTransparency(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelTransparency"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override;
    void clampRays(int cap) override;

    // Both rebuild the ray directions.
    void setNumRays(int count) { rays_.setCount(count); }
    void setSpread(double spread) { rays_.setSpread(spread); }
    int numRays() const { return rays_.count(); }
    double spread() const { return rays_.spread(); }
    const std::vector<std::array<double, 3>>& rayDirections() const { return rays_.directions(); }

    double amount = 0.0;
    double refraction = 1.0;

protected:
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;

private:
    RaySpread rays_;
};

}  // namespace fw
