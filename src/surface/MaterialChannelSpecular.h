#pragma once
// The specular channel: how bright and how tight the highlights are.

#include "surface/MaterialChannel.h"

namespace fw {

class MaterialChannelSpecular : public MaterialChannel {
public:
    explicit MaterialChannelSpecular(Scene* scene = nullptr);

    CommandTable& commandTable() override;
    const char* className() const override { return "MaterialChannelSpecular"; }
    void registerCommands() override;
    void reset() override;
    bool isTrivial() const override { return brightness == 0.0; }

    double brightness = 0.2;
    double sharpness = 80.0;

protected:
    bool sameFields(const MaterialChannel& other) const override;
    void copyFields(const MaterialChannel& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
