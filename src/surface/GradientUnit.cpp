#include "surface/GradientUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kOuterEdges[] = {"Repeat", "Mirror", "Clamp", "None"};

template <int GradientUnit::*Field, const NameTable* Table>
int readNamed(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<GradientUnit>(r).*Field = Table->value(text);
    return 0;
}
template <int GradientUnit::*Field, const NameTable* Table>
int writeNamed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Table->name(receiverAs<GradientUnit>(r).*Field));
}

int beginGradient(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "Gradient") != 0) return -1;
    receiverAs<GradientUnit>(r).gradient.reset();
    io.push(&receiverAs<GradientUnit>(r).gradient);
    return 0;
}

// The unit's own lines, after the shared ones (which bring its gradient's block).
constexpr FieldTable::Line kGradientUnitLines[] = {
    field<&GradientUnit::startPosition>("StartPosition", Spelling::fixed),
    field<&GradientUnit::size>("Size", Spelling::fixed),
    field<&GradientUnit::rotation>("Rotation", Spelling::fixed),
    field<&GradientUnit::angle>("Angle", Spelling::fixed),
    field<&GradientUnit::stretch>("Stretch", Spelling::fixed),
    {"OuterEdges", readNamed<&GradientUnit::outerEdges, &GradientUnit::kOuterEdgeNames>,
     writeNamed<&GradientUnit::outerEdges, &GradientUnit::kOuterEdgeNames>},
    field<&GradientUnit::scaleRepeats>("ScaleRepeats", Spelling::fixed),
    field<&GradientUnit::asymDirection>("AsymDirection", Spelling::fixed),
    field<&GradientUnit::asymAmount>("AsymAmount", Spelling::fixed),
    field<&GradientUnit::flip>("Flip"),
    field<&GradientUnit::shift>("Shift", Spelling::fixed),
    field<&GradientUnit::oversampling>("Oversampling"),
    field<&GradientUnit::boost>("Boost", Spelling::fixed),
    {"TransferMode", readNamed<&GradientUnit::transferMode, &EffectUnit::kTransferModeNames>,
     writeNamed<&GradientUnit::transferMode, &EffectUnit::kTransferModeNames>},
    field<&GradientUnit::compositeOnOriginal>("CompositeOnOriginal"),
    {"begin", beginGradient},
};
constexpr FieldTable kGradientTable{kGradientUnitLines};

}  // namespace

const NameTable GradientUnit::kOuterEdgeNames = {kOuterEdges, 4, 1, Gradient::kRepeat, Gradient::kRepeat};

GradientUnit::GradientUnit(const char* name) : EffectUnit(name) { registerCommands(); }

CommandTable& GradientUnit::commandTable() {
    static CommandTable table;
    return table;
}

void GradientUnit::registerCommands() {
    EffectUnit::registerCommands();
    kGradientTable.registerInto(*this);
}

int GradientUnit::writeGradients(CommandIO& io) { return io.writeBlock(gradient); }

int GradientUnit::writeOwnCommands(CommandIO& io) { return kGradientTable.write(io, *this); }

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
