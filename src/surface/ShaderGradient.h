#pragma once
// A gradient laid over texture space by the gradient unit it owns.

#include "surface/GradientUnit.h"
#include "surface/Shader.h"

namespace fw {

class ShaderGradient : public Shader {
public:
    ShaderGradient();

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderGradient"; }
    void registerCommands() override;
    void reset() override;

    // A unit made for a shader is named "Gradient".
    GradientUnit unit{"Gradient"};

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
