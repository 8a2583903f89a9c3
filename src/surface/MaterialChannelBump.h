#pragma once
// The bump channel: a height field over the surface, scaled by its amount.

#include "surface/MaterialChannel.h"

namespace fw {

class MaterialChannelBump : public MaterialChannel {
public:
    explicit MaterialChannelBump(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelBump"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override { return amount == 0.0; }

    double amount = 0.0;

protected:
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
