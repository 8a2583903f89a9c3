#include "surface/ShaderBlock.h"

#include <algorithm>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "surface/ShaderImage.h"

namespace fw {

namespace {

// The blur kernel: three taps a side, binomial weights summing to 1. Each tap's
// footprint is widened to the tap spacing, so the nine taps cover the blurred area
// without gaps whatever the blur.
constexpr int kKernelSize = 3;
constexpr double kKernel[kKernelSize] = {0.25, 0.5, 0.25};

int readBlendingStyle(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<ShaderBlock>(r).blendingStyle = BlendMode::value(name);
    return 0;
}
int writeBlendingStyle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, BlendMode::name(receiverAs<ShaderBlock>(r).blendingStyle));
}

// "begin <shader class> <slot>": a new shader of that class takes the slot.
int beginShader(CommandIO& io, CommandEnabler& r) {
    ShaderBlock& b = receiverAs<ShaderBlock>(r);
    char name[CommandIO::kTokenSize];
    int slot;
    if (io.readToken(name, sizeof name) != 0 || io.readInt(slot) != 0) return -1;
    if (slot != ShaderBlock::kRgbSlot && slot != ShaderBlock::kAlphaSlot) return -1;
    std::unique_ptr<Shader> shader = Shader::create(name, b.scene());
    if (!shader) return -1;
    shader->reset();
    Shader* made = shader.get();
    b.setShader(slot, std::move(shader));
    io.push(made);
    return 0;
}

bool blursRgb(CommandEnabler& r) { return receiverAs<ShaderBlock>(r).rgbBlur > 0; }
bool blursAlpha(CommandEnabler& r) { return receiverAs<ShaderBlock>(r).alphaBlur > 0; }

// The stored lines in written order, a blur only when there is one; the shaders'
// blocks follow them.
constexpr FieldTable::Line kBlockLines[] = {
    field<&ShaderBlock::active>("active"),
    {"blendingStyle", readBlendingStyle, writeBlendingStyle},
    field<&ShaderBlock::blendingAmount>("blendingAmount"),
    field<&ShaderBlock::rgbBlur>("rgbBlur", Spelling::bare, blursRgb),
    field<&ShaderBlock::alphaBlur>("alphaBlur", Spelling::bare, blursAlpha),
    field<&ShaderBlock::rgbInverted>("rgbInverted"),
    field<&ShaderBlock::alphaInverted>("alphaInverted"),
    field<&ShaderBlock::rgbRepeat>("rgbRepeat"),
    field<&ShaderBlock::alphaRepeat>("alphaRepeat"),
    field<&ShaderBlock::useLumForAlpha>("useLumForAlpha"),
    {"begin", beginShader},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kBlockTable{kBlockLines};

// A copy of `shader` whose image maps are looked up in `scene` (when given), so that a
// layer copied into another scene shows that scene's map of the same name.
std::unique_ptr<Shader> clone(const Shader* shader, Scene* scene) {
    if (!shader) return nullptr;
    if (const auto* image = dynamic_cast<const ShaderImage*>(shader)) {
        auto copy = std::make_unique<ShaderImage>(scene ? scene : image->scene());
        copy->setPlacement(image->placement());
        copy->setImage(image->image());
        return copy;
    }
    std::unique_ptr<Shader> copy = Shader::create(shader->className(), scene);
    if (copy) copy->copyFrom(*shader);
    return copy;
}

bool sameShader(const Shader* a, const Shader* b) { return a == b || (a && b && a->equals(*b)); }

}  // namespace

ShaderBlock::ShaderBlock(Scene* scene) : scene_(scene) { registerCommands(); }

ShaderBlock::ShaderBlock(const ShaderBlock& other) : CommandEnabler(), scene_(other.scene_) {
    registerCommands();
    *this = other;
}

ShaderBlock& ShaderBlock::operator=(const ShaderBlock& other) {
    if (this == &other) return *this;
    active = other.active;
    blendingStyle = other.blendingStyle;
    blendingAmount = other.blendingAmount;
    rgbBlur = other.rgbBlur;
    alphaBlur = other.alphaBlur;
    rgbInverted = other.rgbInverted;
    alphaInverted = other.alphaInverted;
    rgbRepeat = other.rgbRepeat;
    alphaRepeat = other.alphaRepeat;
    useLumForAlpha = other.useLumForAlpha;
    rgbShader_ = clone(other.rgbShader_.get(), scene_);
    alphaShader_ = clone(other.alphaShader_.get(), scene_);
    return *this;
}

CommandTable& ShaderBlock::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderBlock::registerCommands() { kBlockTable.registerInto(*this); }

int ShaderBlock::writeCommands(CommandIO& io) {
    if (kBlockTable.write(io, *this) != 0) return -1;
    if (rgbShader_ && io.writeIndexedBlock(*rgbShader_, kRgbSlot) != 0) return -1;
    if (alphaShader_ && io.writeIndexedBlock(*alphaShader_, kAlphaSlot) != 0) return -1;
    return 0;
}

void ShaderBlock::setShader(int slot, std::unique_ptr<Shader> shader) {
    (slot == kAlphaSlot ? alphaShader_ : rgbShader_) = std::move(shader);
}

bool ShaderBlock::equals(const ShaderBlock& o) const {
    return active == o.active && blendingStyle == o.blendingStyle && blendingAmount == o.blendingAmount &&
           rgbBlur == o.rgbBlur && alphaBlur == o.alphaBlur && rgbInverted == o.rgbInverted &&
           alphaInverted == o.alphaInverted && rgbRepeat == o.rgbRepeat && alphaRepeat == o.alphaRepeat &&
           useLumForAlpha == o.useLumForAlpha && sameShader(rgbShader_.get(), o.rgbShader_.get()) &&
           sameShader(alphaShader_.get(), o.alphaShader_.get());
}

void ShaderBlock::notifyChange() {
    if (rgbShader_) rgbShader_->notifyChange();
    if (alphaShader_) alphaShader_->notifyChange();
}

void ShaderBlock::markUsed() {
    if (rgbShader_) rgbShader_->markUsed();
    if (alphaShader_) alphaShader_->markUsed();
}

Rgba ShaderBlock::sample(const Shader& shader, const Shader::Footprint& f, double blur, bool repeat, bool inverted,
                         bool alphaMode) const {
    if (!repeat) {
        // Without repetition the shader covers its unit square once, like a decal.
        double u = (f.u0 + f.u1) * 0.5, v = (f.v0 + f.v1) * 0.5;
        if (shader.hasTransform()) {
            glm::dvec4 p = shader.placement().matrix() * glm::dvec4(u, v, 0.0, 1.0);
            u = p.x, v = p.y;
        }
        if (u < 0.0 || u > 1.0 || v < 0.0 || v > 1.0) return Rgba{};
    }
    Rgba c;
    if (blur > 0.0) {
        double step = blur * shader.sampleScale();
        double halfU = std::max(f.u1 - f.u0, step) * 0.5, halfV = std::max(f.v1 - f.v0, step) * 0.5;
        double cu = (f.u0 + f.u1) * 0.5, cv = (f.v0 + f.v1) * 0.5;
        double sum[4] = {0, 0, 0, 0};
        for (int j = 0; j < kKernelSize; ++j) {
            for (int i = 0; i < kKernelSize; ++i) {
                double u = cu + (i - kKernelSize / 2) * step, v = cv + (j - kKernelSize / 2) * step;
                Rgba s = shader.evaluate({u - halfU, v - halfV, u + halfU, v + halfV}, alphaMode);
                double w = kKernel[i] * kKernel[j];
                sum[0] += w * s.r, sum[1] += w * s.g, sum[2] += w * s.b, sum[3] += w * s.a;
            }
        }
        c = {float(sum[0]), float(sum[1]), float(sum[2]), float(sum[3])};
    } else {
        c = shader.evaluate(f, alphaMode);
    }
    if (inverted) {
        c.r = 1.0f - c.r, c.g = 1.0f - c.g, c.b = 1.0f - c.b;
        // An alpha shader hands over its whole colour, so its alpha turns over too.
        if (alphaMode) c.a = 1.0f - c.a;
    }
    return c;
}

Rgba ShaderBlock::evaluate(const Shader::Footprint& f, bool repeat) const {
    Rgba result{1, 1, 1, 1};
    if (rgbShader_) result = sample(*rgbShader_, f, rgbBlur, repeat || rgbRepeat, rgbInverted, false);
    if (alphaShader_) {
        Rgba a = sample(*alphaShader_, f, alphaBlur, repeat || alphaRepeat, alphaInverted, true);
        result.a = useLumForAlpha ? a.r : a.a;
    }
    return result;
}

}  // namespace fw
