#include "surface/MaterialStackItem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <glm/vec4.hpp>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"
#include "surface/ImageMap.h"
#include "surface/Material.h"

namespace fw {

namespace {

const char* const kMappings[] = {"UV",        "UVP",          "Spherical",    "PlanarX",      "PlanarY",
                                 "PlanarZ",   "PlanarNX",     "PlanarNY",     "PlanarNZ",     "CylindricalX",
                                 "CylindricalY", "CylindricalZ", "Cubic",     "Camera",       "Drawing"};
const char* const kTilings[] = {"None", "Repeat", "Mirror", "NoneClip"};

constexpr double kRoundedTwoPi = 6.2831854;
constexpr double kInvTwoPi = 0.1591549;
constexpr double kInvPi = 0.3183098;
constexpr double kHalfPi = 1.5707963;

int readMaterial(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<MaterialStackItem>(r).setMaterial(name);
    return 0;
}

int writeMaterial(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<MaterialStackItem>(r).materialName(), spelling);
}

int readObjectMatrix(CommandIO& io, CommandEnabler& r) { return io.readMatrix(receiverAs<MaterialStackItem>(r).applyObjectMatrix); }
// Four rows of four, each on its own indented line.
int writeObjectMatrix(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const double* m = receiverAs<MaterialStackItem>(r).applyObjectMatrix;
    return io.writef("%s\n\t%g %g %g %g\n\t%g %g %g %g\n\t%g %g %g %g\n\t%g %g %g %g\n", keyword, m[0], m[1], m[2],
                     m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14], m[15]);
}
bool hasObjectMatrix(CommandEnabler& r) { return receiverAs<MaterialStackItem>(r).hasObjectMatrix(); }

int readMapping(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<MaterialStackItem>(r).mappingStyle = MaterialStackItem::mappingValue(name);
    return 0;
}
int writeMapping(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword,
                     MaterialStackItem::kMappingNames.name(receiverAs<MaterialStackItem>(r).mappingStyle));
}

int readBlending(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<MaterialStackItem>(r).blendingStyle = BlendMode::value(name);
    return 0;
}
int writeBlending(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, BlendMode::name(receiverAs<MaterialStackItem>(r).blendingStyle));
}

int readTiling(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<MaterialStackItem>(r).tilingStyle = MaterialStackItem::kTilingNames.value(name);
    return 0;
}
int writeTiling(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword,
                     MaterialStackItem::kTilingNames.name(receiverAs<MaterialStackItem>(r).tilingStyle));
}

int readTransform(CommandIO& io, CommandEnabler& r) {
    Placement p;
    if (p.read(io) != 0) return -1;
    receiverAs<MaterialStackItem>(r).setTransform(p);
    return 0;
}
// The placement writes its own keyword.
int writeTransform(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return receiverAs<MaterialStackItem>(r).transform().write(io);
}
bool hasTransform(CommandEnabler& r) { return receiverAs<MaterialStackItem>(r).hasTransform(); }

// The stored lines in written order; the matrix and the transform only when set.
constexpr FieldTable::Line kItemLines[] = {
    {"material", readMaterial, writeMaterial, Spelling::quoted},
    field<&MaterialStackItem::applySpread>("applySpread"),
    field<&MaterialStackItem::applyWidth>("applyWidth"),
    field<&MaterialStackItem::applyHeight>("applyHeight"),
    field<&MaterialStackItem::applyCenter>("applyCenter"),
    {"applyObjectMatrix", readObjectMatrix, writeObjectMatrix, Spelling::bare, hasObjectMatrix},
    {"mappingStyle", readMapping, writeMapping},
    field<&MaterialStackItem::blendingAmount>("blendingAmount"),
    {"blendingStyle", readBlending, writeBlending},
    {"tilingStyle", readTiling, writeTiling},
    field<&MaterialStackItem::tilingX>("tilingX"),
    field<&MaterialStackItem::tilingY>("tilingY"),
    {"transform", readTransform, writeTransform, Spelling::bare, hasTransform},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kItemTable{kItemLines};

// The angles of the stored item's own mapping: fast approximations, in doubles.
struct FastAngles {
    // The angle of (x, y) around the circle as a fraction of a turn, 0..1.
    static double turn(double y, double x) {
        double a = MaterialStackItem::fastAtan2(y, x);
        if (a < 0) a += kRoundedTwoPi;
        return a * kInvTwoPi;
    }
    static double latitude(double dy) { return (MaterialStackItem::fastAsin(dy) + kHalfPi) * kInvPi; }
};

// Wraps into 0..1 a whole number of turns at a time; 1 itself stays.
double wrap(double x) { return x < 0.0 || x > 1.0 ? x - std::floor(x) : x; }

double mirror(double x) {
    x = std::fabs(x);
    double whole = std::floor(x);
    if (std::fmod(whole, 2.0) == 1.0) x = 1.0 - (x - whole);
    return wrap(x);
}

}  // namespace

const NameTable MaterialStackItem::kMappingNames = {kMappings, 15, 1, kUV, kUVP};
const NameTable MaterialStackItem::kTilingNames = {kTilings, 4, 1, kRepeat, kRepeat};

int MaterialStackItem::mappingValue(const char* name) {
    // Older files name the object-local planar and spherical styles apart.
    size_t n = std::strlen(name);
    if (n > 5 && std::strcmp(name + n - 5, "Local") == 0) {
        std::string plain(name, n - 5);
        int value = kMappingNames.value(plain.c_str());
        if (value >= kSpherical && value <= kPlanarNZ && plain == kMappingNames.name(value)) return value;
    }
    return kMappingNames.value(name);
}

MaterialStackItem::MaterialStackItem(Scene& scene) : scene_(&scene) { registerCommands(); }

MaterialStackItem::MaterialStackItem(const MaterialStackItem& other) : CommandEnabler(), scene_(other.scene_) {
    registerCommands();
    *this = other;
}

MaterialStackItem& MaterialStackItem::operator=(const MaterialStackItem& o) {
    if (this == &o) return *this;
    if (o.scene_ == scene_)
        material_ = o.material_;
    else
        setMaterial(o.materialName());
    applySpread = o.applySpread;
    applyWidth = o.applyWidth;
    applyHeight = o.applyHeight;
    std::copy(std::begin(o.applyCenter), std::end(o.applyCenter), applyCenter);
    std::copy(std::begin(o.applyObjectMatrix), std::end(o.applyObjectMatrix), applyObjectMatrix);
    mappingStyle = o.mappingStyle;
    blendingStyle = o.blendingStyle;
    blendingAmount = o.blendingAmount;
    tilingStyle = o.tilingStyle;
    tilingX = o.tilingX;
    tilingY = o.tilingY;
    hasTransform_ = o.hasTransform_;
    transform_ = o.transform_;
    return *this;
}

CommandTable& MaterialStackItem::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialStackItem::registerCommands() { kItemTable.registerInto(*this); }

int MaterialStackItem::writeCommands(CommandIO& io) { return kItemTable.write(io, *this); }

Material* MaterialStackItem::material() const { return dynamic_cast<Material*>(followReference(material_)); }

std::string MaterialStackItem::materialName() const {
    if (material_.empty()) return std::string();
    NameReference copy(material_);
    return copy.name();
}

void MaterialStackItem::setMaterial(const std::string& name) {
    material_ = name.empty() ? NameReference() : NameReference(scene_->nameDictionary(), name.c_str());
}

void MaterialStackItem::markUsed() {
    if (Material* m = material()) m->markUsed();
}

void MaterialStackItem::setTransform(const Placement& transform) {
    transform_ = transform;
    hasTransform_ = true;
}

bool MaterialStackItem::hasObjectMatrix() const {
    for (int i = 0; i < 16; ++i)
        if (applyObjectMatrix[i] != (i % 5 == 0 ? 1.0 : 0.0)) return true;
    return false;
}

bool MaterialStackItem::operator==(const MaterialStackItem& o) const {
    return materialName() == o.materialName() && applySpread == o.applySpread && applyWidth == o.applyWidth &&
           applyHeight == o.applyHeight && std::equal(std::begin(applyCenter), std::end(applyCenter), o.applyCenter) &&
           std::equal(std::begin(applyObjectMatrix), std::end(applyObjectMatrix), o.applyObjectMatrix) &&
           mappingStyle == o.mappingStyle && blendingStyle == o.blendingStyle &&
           blendingAmount == o.blendingAmount && tilingStyle == o.tilingStyle && tilingX == o.tilingX &&
           tilingY == o.tilingY && hasTransform_ == o.hasTransform_ && (!hasTransform_ || transform_ == o.transform_);
}

double MaterialStackItem::fastAtan2(double y, double x) {
    double r = std::fabs(y) + 1e-10;
    double angle = x >= 0.0 ? 0.785398175 - 0.785398175 * (x - r) / (x + r)
                            : 2.356194525 - 0.785398175 * (x + r) / (r - x);
    return y < 0.0 ? -angle : angle;
}

double MaterialStackItem::fastAsin(double y) {
    static const auto table = [] {
        std::array<double, 1001> t{};
        for (int i = 0; i <= 1000; ++i) t[i] = std::asin(i / 1000.0);
        return t;
    }();
    double a = std::fabs(y);
    int i = static_cast<int>(std::floor(1000.0 * a));
    double result;
    if (i >= 1000) {
        result = 1.57079635;
    } else {
        // The weight is the distance past the entry in units of y, as the mapping
        // has always taken it: within an entry the result stays close to that entry.
        double f = a - i / 1000.0;
        result = f * table[i + 1] + (1.0 - f) * table[i];
    }
    return y < 0.0 ? -result : result;
}

// Width and height become reciprocal scales; spread keeps the map square by taking
// the larger of the two for both directions.
void MaterialStackItem::scales(double& su, double& sv) const {
    double w = applyWidth, h = applyHeight;
    if (applySpread) w = h = std::max(std::fabs(w), std::fabs(h));
    su = w != 0.0 ? 1.0 / w : 1.0;
    sv = h != 0.0 ? 1.0 / h : 1.0;
}

void MaterialStackItem::mapPoint(const double point[3], const double normal[3], const double meshUV[2], double& u,
                                 double& v, double lensFactor) const {
    if (!TextureMapping::projects(mappingStyle)) {
        u = meshUV[0];
        v = meshUV[1];
        return;
    }
    double p[3] = {point[0], point[1], point[2]};
    // Drawings lie in the plane they were drawn in; the other styles work about the centre.
    if (mappingStyle != kDrawing) {
        if (hasObjectMatrix()) {
            const double* m = applyObjectMatrix;
            for (int i = 0; i < 3; ++i)
                p[i] = m[i * 4] * point[0] + m[i * 4 + 1] * point[1] + m[i * 4 + 2] * point[2] + m[i * 4 + 3];
        }
        for (int i = 0; i < 3; ++i) p[i] -= applyCenter[i];
    }
    double su, sv;
    scales(su, sv);
    if (mappingStyle == kCamera) {
        const double x = p[0], y = p[1], z = p[2];
        if (z == 0.0) {
            u = v = 0.5;
            return;
        }
        u = 0.5 - (x * lensFactor / z) * su;
        v = 0.5 - (y * lensFactor / z) * sv;
        return;
    }
    const glm::dvec2 uv = TextureMapping::project(mappingStyle, glm::dvec3(p[0], p[1], p[2]),
                                                  glm::dvec3(normal[0], normal[1], normal[2]), glm::dvec2(su, sv),
                                                  FastAngles());
    u = uv.x;
    v = uv.y;
}

bool MaterialStackItem::tile(double& u, double& v, bool clampNone) const {
    switch (tilingStyle) {
        case kNone:
            if (clampNone) {
                u = std::clamp(u, 0.0, 1.0);
                v = std::clamp(v, 0.0, 1.0);
            }
            return true;
        case kMirror:
            u = mirror(u * tilingX);
            v = mirror(v * tilingY);
            return true;
        case kNoneClip:
            u *= tilingX;
            v *= tilingY;
            return u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0;
        default:  // Repeat
            u = wrap(u * tilingX);
            v = wrap(v * tilingY);
            return true;
    }
}

bool MaterialStackItem::textureCoordinates(const double point[3], const double normal[3], const double meshUV[2],
                                           double& u, double& v, bool clampNone, double lensFactor) const {
    mapPoint(point, normal, meshUV, u, v, lensFactor);
    if (hasTransform_) {
        glm::dvec4 t = transform_.matrix() * glm::dvec4(u, v, 0.0, 1.0);
        u = t.x, v = t.y;
    }
    return tile(u, v, clampNone);
}

}  // namespace fw
