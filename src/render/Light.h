#pragma once
// A light: a camera (position, target, placement, lens for its shadow map) with a
// type, colour, intensity, falloff, spot cone and shadow settings.

#include <array>
#include <vector>

#include "render/Camera.h"

namespace fw {

class Light : public Camera {
public:
    enum Type { kDirectional = 0, kPoint = 1, kSpot = 2, kAmbient = 3 };
    enum Falloff { kAbrupt = 0, kLinear = 1, kInverseSquare = 2, kNone = 3 };

    Light(Scene& scene, const char* name);

    int writeCommands(CommandIO& io) override;
    void registerCommands() override;

    int type() const { return type_; }
    void setType(int type);  // values outside the four types are ignored
    int falloff() const { return falloff_; }
    void setFalloff(int falloff);
    // Spot cone half-angles in degrees, each at most 90; the outer is never narrower.
    void setSpotAngles(double inner, double outer);
    double spotInnerAngle() const;
    double spotOuterAngle() const;

    // Shadow sampling offsets shared by every light: flat disk patterns of 4, 16, 36,
    // 64, 144 and 256 taps (index 1..6), and the single tap (0, 1, 0) at index 0.
    static const std::vector<std::array<double, 3>>& sampleTable(int index);

    bool shadow = false;
    float color[4] = {1, 1, 1, 1};
    double intensity = 1.0;
    double lightDistance = 5000;
    double spotInnerCos = 0.96592582628906831;  // cos 15 degrees
    double spotOuterCos = 0.86602540378443871;  // cos 30 degrees
    int shadowSoftness = 6;
    double shadowDarkness = 0.8;
    int shadowMapXRes = 512, shadowMapYRes = 512;

    // Both the camera's and the light's distance are stored under "distance": the
    // first line read is the camera's, a second one the light's.
    bool cameraDistanceRead = false;

private:
    int type_ = kDirectional;
    int falloff_ = kNone;
};

}  // namespace fw
