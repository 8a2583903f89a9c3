#include "surface/Shader.h"

#include <omp.h>

#include <algorithm>
#include <cstring>
#include <glm/vec4.hpp>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "surface/ShaderColor.h"
#include "surface/ShaderGradient.h"
#include "surface/ShaderGrid.h"
#include "surface/ShaderImage.h"
#include "surface/ShaderLayerMap.h"
#include "surface/ShaderNoisePerlin.h"
#include "surface/ShaderNoiseWorley.h"

namespace fw {

std::unique_ptr<Shader> Shader::create(const char* className, Scene* scene) {
    if (std::strcmp(className, "ShaderColor") == 0) return std::make_unique<ShaderColor>();
    if (std::strcmp(className, "ShaderGradient") == 0) return std::make_unique<ShaderGradient>();
    if (std::strcmp(className, "ShaderGrid") == 0) return std::make_unique<ShaderGrid>();
    if (std::strcmp(className, "ShaderImage") == 0) return std::make_unique<ShaderImage>(scene);
    if (std::strcmp(className, "ShaderLayerMap") == 0) return std::make_unique<ShaderLayerMap>();
    if (std::strcmp(className, "ShaderNoise") == 0 || std::strcmp(className, "ShaderNoisePerlin") == 0)
        return std::make_unique<ShaderNoisePerlin>();
    if (std::strcmp(className, "ShaderNoiseWorley") == 0) return std::make_unique<ShaderNoiseWorley>();
    return nullptr;
}

namespace {

int readTransform(CommandIO& io, CommandEnabler& r) {
    Placement p;
    if (p.read(io) != 0) return -1;
    receiverAs<Shader>(r).setPlacement(p);
    return 0;
}

// The placement writes its own keyword.
int writeTransform(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return receiverAs<Shader>(r).placement().write(io);
}
bool hasTransform(CommandEnabler& r) { return receiverAs<Shader>(r).hasTransform(); }

// The lines of every shader; each kind's own lines follow.
constexpr FieldTable::Line kShaderLines[] = {
    {"transform", readTransform, writeTransform, Spelling::bare, hasTransform},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kShaderTable{kShaderLines};

}  // namespace

void Shader::registerCommands() { kShaderTable.registerInto(*this); }

int Shader::writeCommands(CommandIO& io) {
    if (kShaderTable.write(io, *this) != 0) return -1;
    return writeFields(io);
}

void Shader::setPlacement(const Placement& placement) {
    placement_ = placement;
    hasTransform_ = !placement.isIdentity();
    matrix_ = placement.matrix();
}

void Shader::reset() { setPlacement(Placement()); }

bool Shader::copyFrom(const Shader& other) {
    if (other.kind_ != kind_) return false;
    if (&other == this) return true;
    placement_ = other.placement_;
    hasTransform_ = other.hasTransform_;
    matrix_ = other.matrix_;
    copyFields(other);
    notifyChange();
    return true;
}

bool Shader::equals(const Shader& other) const {
    return kind_ == other.kind_ && hasTransform_ == other.hasTransform_ && placement_ == other.placement_ &&
           sameFields(other);
}

void Shader::naturalSize(int& width, int& height) const { width = height = 100000; }

Rgba Shader::evaluate(const Footprint& footprint, bool alphaMode) const {
    Footprint f = footprint;
    if (hasTransform_) {
        glm::dvec4 a = matrix_ * glm::dvec4(f.u0, f.v0, 0.0, 1.0), b = matrix_ * glm::dvec4(f.u1, f.v1, 0.0, 1.0);
        f = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }
    Rgba c = shade(f);
    if (alphaMode) {
        float grey = static_cast<float>(c.brightness());
        c.r = c.g = c.b = grey;
    } else if (c.a > 0.0f && c.a < 1.0f) {
        c.r /= c.a;
        c.g /= c.a;
        c.b /= c.a;
    }
    return c;
}

Rgba Shader::evaluateAt(double u, double v, bool alphaMode) const { return evaluate({u, v, u, v}, alphaMode); }

void Shader::bake(int width, int height, bool alphaMode, float* rgba, int threads) const {
    if (width <= 0 || height <= 0) return;
    int workers = threads > 0 ? threads : omp_get_max_threads();
    double du = 1.0 / width, dv = 1.0 / height;
#pragma omp parallel for schedule(dynamic, 4) num_threads(workers)
    for (int y = 0; y < height; ++y) {
        float* out = rgba + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, out += 4) {
            Rgba c = evaluate({x * du, y * dv, (x + 1) * du, (y + 1) * dv}, alphaMode);
            out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
        }
    }
}

}  // namespace fw
