#pragma once
// The reflectivity channel: the environment the surface mirrors, how strongly, how
// strongly in ray-traced frames, and the spread and falloff of the reflected rays.

#include "surface/RayChannel.h"

namespace fw {

class MaterialChannelReflectivity : public RayChannel {
public:
    explicit MaterialChannelReflectivity(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelReflectivity"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override;

    double amount = 0.0;
    double raytraceAmount = 0.0;
    double falloffStart = 0.0;
    double falloffEnd = 0.0;

protected:
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
