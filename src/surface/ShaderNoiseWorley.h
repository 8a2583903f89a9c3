#pragma once
// Cellular noise: distances to seeded feature points, shaped as soft cells, hard
// cells, rings or flat cells, mixed from Color1 to Color2.

#include "surface/CellularGenerator.h"
#include "surface/NameTable.h"
#include "surface/Shader.h"
#include "surface/ToneCurve.h"

namespace fw {

class ShaderNoiseWorley : public Shader {
public:
    static const NameTable kTypeNames;
    static const NameTable kMethodNames;
    static constexpr double kJitter = 0.2;

    ShaderNoiseWorley();

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderNoiseWorley"; }
    void registerCommands() override;
    void reset() override;
    // Rebuilds the generator when Type, Method or Seed changed.
    void notifyChange() override;

    const CellularGenerator& generator() const { return generator_; }

    int type = CellularGenerator::kSoft;
    int method = CellularGenerator::kEuclidean;
    float color1[4] = {0, 0, 0, 1};
    float color2[4] = {1, 1, 1, 1};
    double size = 5.0;     // cells per texture width
    double stretch = 1.0;  // u is divided by it
    ToneCurve tone;
    int ringComplexity = 5;
    double exponent = 5.0;  // Minkowski's
    int flatQuality = 1;    // samples a side over the footprint for flat cells
    unsigned long seed = 50;

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;

private:
    CellularGenerator generator_;
};

}  // namespace fw
