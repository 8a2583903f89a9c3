#pragma once
// A flat colour, the same over every footprint.

#include "surface/Shader.h"

namespace fw {

class ShaderColor : public Shader {
public:
    ShaderColor();
    ShaderColor(float r, float g, float b, float a = 1.0f);

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderColor"; }
    void registerCommands() override;
    void reset() override;
    void notifyChange() override;

    void setColor(float r, float g, float b, float a = 1.0f);
    double brightness() const { return brightness_; }

    float color[4] = {1, 1, 1, 1};

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;

private:
    double brightness_ = 1.0;
};

}  // namespace fw
