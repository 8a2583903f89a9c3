#pragma once
// Cloudy noise: fractal gradient noise mixed from Color1 to Color2, as clouds,
// marble stripes or lava. Stored as a "ShaderNoise" block.

#include "surface/NameTable.h"
#include "surface/NoiseGenerator.h"
#include "surface/Shader.h"
#include "surface/ToneCurve.h"

namespace fw {

class ShaderNoisePerlin : public Shader {
public:
    enum Type { kCloud = 1, kMarble, kLava };
    static const NameTable kTypeNames;

    ShaderNoisePerlin();

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderNoise"; }
    void registerCommands() override;
    void reset() override;
    // Rebuilds the generator when Type, Size, Complexity, Persistence or Seed changed.
    void notifyChange() override;

    const NoiseGenerator& generator() const { return generator_; }

    int type = kCloud;
    float color1[4] = {0, 0, 0, 1};
    float color2[4] = {1, 1, 1, 1};
    double size = 5.0;        // the base frequency: features per texture width
    double complexity = 5.0;  // octaves
    double persistence = 0.5; // amplitude kept from one octave to the next
    double stretch = 1.0;     // u is divided by it, stretching the pattern across
    double narrow = 1.0;      // marble stripe width (1: a quarter of the sine's swing)
    ToneCurve tone;
    double numStripes = 5.0;  // marble; read, not written
    unsigned long seed = 50;

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;

private:
    NoiseGenerator generator_;
};

}  // namespace fw
