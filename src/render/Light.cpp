#include "render/Light.h"

#include <cmath>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
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

int readColor(CommandIO& io, CommandEnabler& r) { return io.readColor(receiverAs<Light>(r).color, 4); }


int readShadow(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<Light>(r).shadow = on != 0;
    return 0;
}


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
    registerCommand("distance", readDistance);
    registerCommand("type", readType);
    registerCommand("falloff", readFalloff);
    registerCommand("angles", readAngles);
    registerCommand("color", readColor);
    registerCommand("intensity", readField<&Light::intensity>);
    registerCommand("shadow", readShadow);
    registerCommand("shadow-softness", readField<&Light::shadowSoftness>);
    registerCommand("shadow-darkness", readField<&Light::shadowDarkness>);
    registerCommand("shadowmap-xres", readField<&Light::shadowMapXRes>);
    registerCommand("shadowmap-yres", readField<&Light::shadowMapYRes>);
}

int Light::writeCommands(CommandIO& io) {
    if (Camera::writeCommands(io) != 0) return -1;
    io.writef("type %s\n", kTypeNames[type_]);
    if (type_ != kAmbient) {
        io.writef("distance %f\n", lightDistance);
        if (type_ == kSpot) io.writef("angles %f %f\n", spotInnerAngle(), spotOuterAngle());
        io.writef("falloff %s\n", kFalloffNames[falloff_]);
    }
    io.writef("color %f %f %f %f\n", color[0], color[1], color[2], color[3]);
    io.writef("intensity %f\n", intensity);
    if (type_ != kAmbient) {
        io.writef("shadow %d\n", shadow ? 1 : 0);
        io.writef("shadow-softness %d\n", shadowSoftness);
        io.writef("shadow-darkness %f\n", shadowDarkness);
        io.writef("shadowmap-xres %d\n", shadowMapXRes);
        io.writef("shadowmap-yres %d\n", shadowMapYRes);
    }
    return 0;
}

}  // namespace fw
