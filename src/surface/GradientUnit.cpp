#include "surface/GradientUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kOuterEdges[] = {"Repeat", "Mirror", "Clamp", "None"};



int readOuterEdges(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<GradientUnit>(r).outerEdges = GradientUnit::kOuterEdgeNames.value(text);
    return 0;
}

int readTransferMode(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<GradientUnit>(r).transferMode = EffectUnit::kTransferModeNames.value(text);
    return 0;
}

int beginGradient(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "Gradient") != 0) return -1;
    receiverAs<GradientUnit>(r).gradient.reset();
    io.push(&receiverAs<GradientUnit>(r).gradient);
    return 0;
}

}  // namespace

const NameTable GradientUnit::kOuterEdgeNames = {kOuterEdges, 4, 1, Gradient::kRepeat, Gradient::kRepeat};

GradientUnit::GradientUnit(const char* name) : EffectUnit(name) { registerCommands(); }

CommandTable& GradientUnit::commandTable() {
    static CommandTable table;
    return table;
}

void GradientUnit::registerCommands() {
    EffectUnit::registerCommands();
    registerCommand("begin", beginGradient);
    registerCommand("StartPosition", readField<&GradientUnit::startPosition>);
    registerCommand("Size", readField<&GradientUnit::size>);
    registerCommand("Rotation", readField<&GradientUnit::rotation>);
    registerCommand("Angle", readField<&GradientUnit::angle>);
    registerCommand("Stretch", readField<&GradientUnit::stretch>);
    registerCommand("OuterEdges", readOuterEdges);
    registerCommand("ScaleRepeats", readField<&GradientUnit::scaleRepeats>);
    registerCommand("AsymDirection", readField<&GradientUnit::asymDirection>);
    registerCommand("AsymAmount", readField<&GradientUnit::asymAmount>);
    registerCommand("Flip", readField<&GradientUnit::flip>);
    registerCommand("Shift", readField<&GradientUnit::shift>);
    registerCommand("Oversampling", readField<&GradientUnit::oversampling>);
    registerCommand("Boost", readField<&GradientUnit::boost>);
    registerCommand("TransferMode", readTransferMode);
    registerCommand("CompositeOnOriginal", readField<&GradientUnit::compositeOnOriginal>);
}

int GradientUnit::writeGradients(CommandIO& io) { return io.writeBlock(gradient); }

int GradientUnit::writeOwnCommands(CommandIO& io) {
    io.writef("StartPosition %f %f\n", startPosition[0], startPosition[1]);
    io.writef("Size %f\n", size);
    io.writef("Rotation %f\n", rotation);
    io.writef("Angle %f\n", angle);
    io.writef("Stretch %f\n", stretch);
    io.writef("OuterEdges \"%s\"\n", kOuterEdgeNames.name(outerEdges));
    io.writef("ScaleRepeats %f\n", scaleRepeats);
    io.writef("AsymDirection %f\n", asymDirection);
    io.writef("AsymAmount %f\n", asymAmount);
    io.writef("Flip %d\n", flip ? 1 : 0);
    io.writef("Shift %f\n", shift);
    io.writef("Oversampling %d\n", oversampling);
    io.writef("Boost %f\n", boost);
    io.writef("TransferMode \"%s\"\n", kTransferModeNames.name(transferMode));
    io.writef("CompositeOnOriginal %d\n", compositeOnOriginal ? 1 : 0);
    return 0;
}

bool GradientUnit::operator==(const GradientUnit& o) const {
    return sameTarget(o) && startPosition[0] == o.startPosition[0] && startPosition[1] == o.startPosition[1] &&
           size == o.size && rotation == o.rotation && angle == o.angle && stretch == o.stretch &&
           outerEdges == o.outerEdges && scaleRepeats == o.scaleRepeats && asymDirection == o.asymDirection &&
           asymAmount == o.asymAmount && gradient == o.gradient && flip == o.flip && shift == o.shift &&
           oversampling == o.oversampling && boost == o.boost && transferMode == o.transferMode &&
           compositeOnOriginal == o.compositeOnOriginal;
}

double GradientUnit::parameter(double u, double v) const {
    double px = u - startPosition[0], py = v - startPosition[1];
    double c = std::cos(rotation * kRadiansPerDegree), s = std::sin(rotation * kRadiansPerDegree);
    double x = c * px + s * py, y = -s * px + c * py;
    if (stretch > 1e-9) y /= stretch / 100.0;
    double length = std::max(size / 200.0, 1e-9);
    double t;
    switch (gradient.type) {
        case Gradient::kRadial: {
            double a = std::atan2(y, x) / kRadiansPerDegree;
            if (a < 0) a += 360.0;
            t = a / (std::fabs(angle) > 1e-9 ? angle : 1e-9);
            break;
        }
        case Gradient::kMirrorWrap: t = std::fabs(x) / length; break;
        case Gradient::kCircle: t = std::hypot(x, y) / length; break;
        case Gradient::kSquare: t = std::max(std::fabs(x), std::fabs(y)) / length; break;
        case Gradient::kTriangle: {
            // Distance to an upright equilateral triangle's sides, scaled so its corners lie at t = 1.
            const double n[3][2] = {{0, 1}, {-0.8660254037844386, -0.5}, {0.8660254037844386, -0.5}};
            double d = -1e300;
            for (const auto& k : n) d = std::max(d, k[0] * x + k[1] * y);
            t = 2.0 * d / length;
            break;
        }
        default: t = x / length; break;
    }
    // Asymmetry pushes a closed shape out on one side and in on the other.
    if (asymAmount != 0.0 && gradient.type >= Gradient::kCircle) {
        double r = std::hypot(x, y);
        if (r > 0) {
            double a = asymDirection * kRadiansPerDegree;
            t *= 1.0 + asymAmount / 100.0 * (x * std::cos(a) + y * std::sin(a)) / r;
        }
    }
    if (scaleRepeats > 1e-9 && scaleRepeats != 100.0) {
        double k = 100.0 / scaleRepeats;
        if (t > 1.0) t = 1.0 + (t - 1.0) * k;
        if (t < 0.0) t *= k;
    }
    return t;
}

Rgba GradientUnit::colorAt(double u, double v) const {
    double t = parameter(u, v);
    if (flip) t = 1.0 - t;
    t += shift / 100.0;
    if (outerEdges == Gradient::kNone && (t < 0.0 || t > 1.0)) return {};
    Rgba c = gradient.lookup(t, outerEdges);
    if (boost != 0.0) {
        float k = static_cast<float>(1.0 + boost / 100.0);
        c.r = std::clamp(c.r * k, 0.0f, 1.0f);
        c.g = std::clamp(c.g * k, 0.0f, 1.0f);
        c.b = std::clamp(c.b * k, 0.0f, 1.0f);
    }
    return c;
}

Rgba GradientUnit::average(double u0, double v0, double u1, double v1) const {
    int n = std::clamp(oversampling, 0, 7) + 1;
    double sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            Rgba c = colorAt(u0 + (u1 - u0) * (i + 0.5) / n, v0 + (v1 - v0) * (j + 0.5) / n);
            sum[0] += c.r * c.a;
            sum[1] += c.g * c.a;
            sum[2] += c.b * c.a;
            sum[3] += c.a;
        }
    }
    double k = 1.0 / (n * n);
    return {float(sum[0] * k), float(sum[1] * k), float(sum[2] * k), float(sum[3] * k)};
}

}  // namespace fw
