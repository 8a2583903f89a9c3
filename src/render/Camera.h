#pragma once
// A camera: a scene node with a lens, a film width and a placement mode (orbiting a
// target, hand-held, looking at a target, or the node's own transform). It gives the
// renderer its view: field of view, frustum, rays through the image, viewport fit.

#include <glm/mat4x4.hpp>
#include <string>
#include <vector>

#include "scene/DAGNode.h"

namespace fw {

class Camera : public DAGNode {
public:
    enum Mode { kOrbit = 0, kHandheld = 1, kLookAt = 2, kTransform = 3 };
    enum Projection { kPerspective = 0, kOrthographic = 1 };

    // A rectangle in pixels, origin at the top left.
    struct Rect {
        int left, top, right, bottom;
    };

    Camera(Scene& scene, int kind, const char* name);

    int writeCommands(CommandIO& io) override;
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    int mode() const { return mode_; }
    bool setMode(int mode);
    int projection() const { return projection_; }
    bool setProjection(int projection);
    const std::string& lensType() const { return lensType_; }
    // At most 7 characters; an empty type would not survive being written, so it is refused.
    void setLensType(const std::string& type) {
        if (!type.empty()) lensType_ = type.substr(0, 7);
    }
    double lens() const { return lens_; }
    bool setLens(double lens);  // refused unless > 0
    double aperture() const { return aperture_; }
    bool setAperture(double aperture);  // refused unless > 0

    // Horizontal field of view in degrees, from the lens and the film width.
    double fieldOfView() const;
    bool setFieldOfView(double degrees);
    // A field of view the animation holds the camera at, never stored; 0 gives the lens back.
    void setAnimatedFieldOfView(double degrees);

    // Where the camera is: its placement turned into a camera-to-world matrix. The
    // camera looks down its local -Z axis with +Y up.
    glm::dmat4 cameraToWorld();
    // How far ahead the camera is focused: an orbiting camera on its target, any other
    // on the point of its view axis nearest its target, or `distance` ahead when the
    // target lies behind it.
    double focusDistance();
    // Half-width and half-height of the perspective frustum at distance d.
    void frustumAt(double d, double& halfWidth, double& halfHeight) const;
    // left, right, bottom, top of the orthographic view.
    void orthoExtents(double extents[4]) const;
    // The ray through image fractions (u, v): a point on the near and one on the far plane, in world space.
    void imageRay(double u, double v, double nearPoint[3], double farPoint[3]);
    // The largest centred rectangle of the camera's aspect inside a viewport, less the under-scan.
    Rect fitViewport(const Rect& viewport) const;
    // Makes the middle of the points' box the centre of interest; returns their camera-space box.
    void frame(const std::vector<glm::dvec3>& points, double cameraBox[6]);

    double aspect = 1.0;
    double clipNear = 0.1, clipFar = 30000.0;
    double orthoWidth = 400.0;
    double eye[3] = {0, 0, 100};
    double target[3] = {0, 0, 0};
    double distance = 100.0;
    double tumbleLeftRight = 0.0;
    double tumbleUpDown = 0.0;
    double roll = 0.0;
    double underScan = 0.0;
    bool scaleVertically = false;
    // Not stored: the depth-of-field passes turn a camera that does not orbit about
    // its point of focus by these angles (degrees, up-down then left-right); an
    // orbiting camera is turned through its tumble angles instead.
    double focusTurn[2] = {0, 0};

private:
    // Where the camera is before any focus turn.
    glm::dmat4 placement();

    int mode_ = kTransform;
    int projection_ = kPerspective;
    std::string lensType_ = "3";
    double lens_ = 50.0;
    double animatedLens_ = 0.0;  // 0: none
    double lensInUse() const { return animatedLens_ > 0 ? animatedLens_ : lens_; }
    double aperture_ = 35.0;
};

}  // namespace fw
