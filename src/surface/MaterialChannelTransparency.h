#pragma once
// The transparency channel: how much light passes, how it bends, and the spread of
// the refracted rays that blur what is seen through the surface.

#include "surface/RayChannel.h"

namespace fw {

class MaterialChannelTransparency : public RayChannel {
public:
    explicit MaterialChannelTransparency(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelTransparency"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override;

    double amount = 0.0;
    double refraction = 1.0;

protected:
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
