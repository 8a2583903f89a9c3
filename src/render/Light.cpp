#include "render/Light.h"

#include <cmath>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"
#include "surface/RayDirections.h"

namespace fw {

namespace {

const char* const kTypeNames[] = {"DIRECTIONAL", "POINT", "SPOT", "AMBIENT"};
const char* const kFalloffNames[] = {"ABRUPT", "LINEAR", "INVERSE_SQUARE", "NONE"};
// The conversions the stored cone angles were made with.
constexpr double kRadiansPerDegree = 0.01745329278;
constexpr double kDegreesPerRadian = 57.2957786667;


int nameIndex(const char* const* names, const std::string& word) {
    for (int i = 0; i < 4; ++i)
        if (word == names[i]) return i;
    return -1;
}

int readType(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int type = nameIndex(kTypeNames, word);
    if (type < 0) return -1;
    receiverAs<Light>(r).setType(type);
    return 0;
}

int readFalloff(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int falloff = nameIndex(kFalloffNames, word);
    if (falloff < 0) return -1;
    receiverAs<Light>(r).setFalloff(falloff);
    return 0;
}

int readDistance(CommandIO& io, CommandEnabler& r) {
    Light& l = receiverAs<Light>(r);
    double d;
    if (io.readDouble(d) != 0) return -1;
    if (!l.cameraDistanceRead) {
        l.distance = d;
        l.cameraDistanceRead = true;
    } else {
        l.lightDistance = d;
    }
    return 0;
}

int readAngles(CommandIO& io, CommandEnabler& r) {
    double a[2];
    if (io.readVector2(a) != 0) return -1;
    receiverAs<Light>(r).setSpotAngles(a[0], a[1]);
    return 0;
}

int writeType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(kTypeNames[receiverAs<Light>(r).type()]), spelling);
}

int writeFalloff(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(kFalloffNames[receiverAs<Light>(r).falloff()]), spelling);
}

int writeAngles(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const Light& l = receiverAs<Light>(r);
    const double angles[2] = {l.spotInnerAngle(), l.spotOuterAngle()};
    return writeLine(io, keyword, angles, spelling);
}

// An ambient light has no position, cone or shadow.
bool notAmbient(CommandEnabler& r) { return receiverAs<Light>(r).type() != Light::kAmbient; }
bool isSpot(CommandEnabler& r) { return receiverAs<Light>(r).type() == Light::kSpot; }

// The camera's lines come first; its "distance" is read again here (see readDistance).
constexpr FieldTable::Line kLightLines[] = {
    {"type", readType, writeType},
    {"distance", readDistance, writeField<&Light::lightDistance>, Spelling::fixed, notAmbient},
    {"angles", readAngles, writeAngles, Spelling::fixed, isSpot},
    {"falloff", readFalloff, writeFalloff, Spelling::bare, notAmbient},
    field<&Light::color>("color", Spelling::fixed),
    field<&Light::intensity>("intensity", Spelling::fixed),
    field<&Light::shadow>("shadow", Spelling::bare, notAmbient),
    field<&Light::shadowSoftness>("shadow-softness", Spelling::bare, notAmbient),
    field<&Light::shadowDarkness>("shadow-darkness", Spelling::fixed, notAmbient),
    field<&Light::shadowMapXRes>("shadowmap-xres", Spelling::bare, notAmbient),
    field<&Light::shadowMapYRes>("shadowmap-yres", Spelling::bare, notAmbient),
};
constexpr FieldTable kLightTable{kLightLines};

std::vector<std::vector<std::array<double, 3>>> makeSampleTables() {
    std::vector<std::vector<std::array<double, 3>>> tables;
    tables.push_back({{0.0, 1.0, 0.0}});
    for (int count : {4, 16, 36, 64, 144, 256}) tables.push_back(RayDirections::make(count, 0.0, true));
    return tables;
}

}  // namespace

Light::Light(Scene& scene, const char* name) : Camera(scene, kLightKind, name) {
    sampleTable(0);  // the first light fills the shared tables
}

const std::vector<std::array<double, 3>>& Light::sampleTable(int index) {
    static const std::vector<std::vector<std::array<double, 3>>> tables = makeSampleTables();
    return tables[static_cast<size_t>(index < 0 ? 0 : index > 6 ? 6 : index)];
}

void Light::setType(int type) {
    if (type >= 0 && type <= 3) type_ = type;
}

void Light::setFalloff(int falloff) {
    if (falloff >= 0 && falloff <= 3) falloff_ = falloff;
}

void Light::setSpotAngles(double inner, double outer) {
    spotInnerCos = std::cos(std::min(inner, 90.0) * kRadiansPerDegree);
    spotOuterCos = std::cos(std::min(outer, 90.0) * kRadiansPerDegree);
    if (spotOuterCos > spotInnerCos) spotOuterCos = spotInnerCos;
}

double Light::spotInnerAngle() const { return std::acos(spotInnerCos) * kDegreesPerRadian; }

double Light::spotOuterAngle() const { return std::acos(spotOuterCos) * kDegreesPerRadian; }

void Light::registerCommands() {
    Camera::registerCommands();
    kLightTable.registerInto(*this);
}

int Light::writeCommands(CommandIO& io) {
    if (Camera::writeCommands(io) != 0) return -1;
    return kLightTable.write(io, *this);
}

}  // namespace fw
