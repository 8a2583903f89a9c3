#include "render/Camera.h"

#include <cmath>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

// Not the program's π (platform/MathConstants.h) but the single-precision one the stored
// lenses were computed with; keep it so fields of view round-trip.
constexpr double kLensPi = 3.1415927;

const char* const kModeNames[] = {"ORBIT", "HANDHELD", "LOOKAT", "TRANSFORM"};
const char* const kProjectionNames[] = {"PERSPECTIVE", "ORTHOGRAPHIC"};

int indexOf(const char* const* names, int count, const std::string& word) {
    for (int i = 0; i < count; ++i)
        if (word == names[i]) return i;
    return -1;
}


int readMode(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    return receiverAs<Camera>(r).setMode(indexOf(kModeNames, 4, word)) ? 0 : -1;
}

int readProjection(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    return receiverAs<Camera>(r).setProjection(indexOf(kProjectionNames, 2, word)) ? 0 : -1;
}

int readLensType(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<Camera>(r).setLensType(word);
    return 0;
}

// A lens or film width that is not positive is refused and the old value stays.
int readLens(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<Camera>(r).setLens(v);
    return 0;
}

int readAperture(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<Camera>(r).setAperture(v);
    return 0;
}

int readClip(CommandIO& io, CommandEnabler& r) {
    double v[2];
    if (io.readVector2(v) != 0) return -1;
    receiverAs<Camera>(r).clipNear = v[0];
    receiverAs<Camera>(r).clipFar = v[1];
    return 0;
}

int readScaleVertically(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<Camera>(r).scaleVertically = on != 0;
    return 0;
}

glm::dmat4 rotationZyx(double aboutX, double aboutY, double aboutZ) {
    const glm::dmat4 identity(1.0);
    return glm::rotate(identity, glm::radians(aboutZ), glm::dvec3(0, 0, 1)) *
           glm::rotate(identity, glm::radians(aboutY), glm::dvec3(0, 1, 0)) *
           glm::rotate(identity, glm::radians(aboutX), glm::dvec3(1, 0, 0));
}

}  // namespace

Camera::Camera(Scene& scene, int kind, const char* name) : DAGNode(scene, kind, name) {
    transformOrder = "trs";
    rotateOrder = "zyx";
}

bool Camera::setMode(int mode) {
    if (mode < 0 || mode > 3) return false;
    mode_ = mode;
    return true;
}

bool Camera::setProjection(int projection) {
    if (projection < 0 || projection > 1) return false;
    projection_ = projection;
    return true;
}

bool Camera::setLens(double lens) {
    if (!(lens > 0)) return false;
    lens_ = lens;
    return true;
}

bool Camera::setAperture(double aperture) {
    if (!(aperture > 0)) return false;
    aperture_ = aperture;
    return true;
}

double Camera::fieldOfView() const { return 2 * std::atan2(aperture_ / 2, lens_) * 180 / kLensPi; }

bool Camera::setFieldOfView(double degrees) {
    if (!(degrees > 0)) return false;
    return setLens((aperture_ / 2) / std::tan(degrees / 2 * kLensPi / 180));
}

glm::dmat4 Camera::cameraToWorld() {
    const glm::dmat4 identity(1.0);
    glm::dmat4 parent = identity;
    if (DAGNode* p = this->parent()) parent = p->worldTransform();
    // An animated camera or light moves as a whole, over what its parents do.
    parent = animatedMatrix() * parent;
    switch (mode_) {
        case kOrbit: {
            glm::dmat4 m = glm::translate(identity, glm::dvec3(target[0], target[1], target[2])) *
                           rotationZyx(tumbleUpDown, tumbleLeftRight, 0) *
                           glm::translate(identity, glm::dvec3(0, 0, distance)) *
                           glm::rotate(identity, glm::radians(roll), glm::dvec3(0, 0, 1));
            return parent * m;
        }
        case kHandheld: {
            glm::dmat4 m = glm::translate(identity, glm::dvec3(eye[0], eye[1], eye[2])) *
                           rotationZyx(tumbleUpDown, tumbleLeftRight, 0) *
                           glm::rotate(identity, glm::radians(roll), glm::dvec3(0, 0, 1));
            return parent * m;
        }
        case kLookAt: {
            glm::dvec3 e(eye[0], eye[1], eye[2]), t(target[0], target[1], target[2]);
            glm::dvec3 f = e - t;
            f = glm::dot(f, f) < 1e-5 ? glm::dvec3(0, 0, 1) : glm::normalize(f);
            glm::dvec3 right = glm::cross(glm::dvec3(0, 1, 0), f);
            right = glm::dot(right, right) < 1e-5 ? glm::dvec3(1, 0, 0) : glm::normalize(right);
            glm::dvec3 up = glm::cross(f, right);
            glm::dmat4 m(glm::dvec4(right, 0), glm::dvec4(up, 0), glm::dvec4(f, 0), glm::dvec4(e, 1));
            if (roll != 0) m = m * glm::rotate(identity, glm::radians(roll), glm::dvec3(0, 0, 1));
            return parent * m;
        }
        default:
            return worldTransform();
    }
}

void Camera::frustumAt(double d, double& halfWidth, double& halfHeight) const {
    halfWidth = aperture_ * d / (2 * lens_);
    halfHeight = halfWidth / aspect;
}

void Camera::orthoExtents(double e[4]) const {
    e[0] = -orthoWidth / 2;
    e[1] = orthoWidth / 2;
    e[2] = e[0] / aspect;
    e[3] = -e[2];
}

void Camera::imageRay(double u, double v, double nearPoint[3], double farPoint[3]) {
    glm::dmat4 m = cameraToWorld();
    auto point = [&](double d, double out[3]) {
        double left, right, bottom, top;
        if (projection_ == kOrthographic) {
            double e[4];
            orthoExtents(e);
            left = e[0], right = e[1], bottom = e[2], top = e[3];
        } else {
            double hw, hh;
            frustumAt(d, hw, hh);
            left = -hw, right = hw, bottom = -hh, top = hh;
        }
        glm::dvec4 p = m * glm::dvec4((1 - u) * left + u * right, (1 - v) * bottom + v * top, -d, 1.0);
        out[0] = p.x, out[1] = p.y, out[2] = p.z;
    };
    point(clipNear, nearPoint);
    point(clipFar, farPoint);
}

Camera::Rect Camera::fitViewport(const Rect& viewport) const {
    Rect r = viewport;
    int w = std::abs(viewport.right - viewport.left), h = std::abs(viewport.bottom - viewport.top);
    if (h > 0 && static_cast<double>(w) / h > aspect) {
        int inset = (w - static_cast<int>(std::floor(h * aspect))) / 2;
        r.left = inset;
        r.right = w - inset - 1;
    } else if (aspect > 0) {
        int inset = (h - static_cast<int>(std::floor(w / aspect))) / 2;
        r.top = inset;
        r.bottom = h - inset - 1;
    }
    if (underScan > 0) {
        int dx = static_cast<int>(std::floor(w * underScan)) / 2, dy = static_cast<int>(std::floor(h * underScan)) / 2;
        r.left += dx;
        r.right -= dx;
        r.top += dy;
        r.bottom -= dy;
    }
    return r;
}

void Camera::frame(const std::vector<glm::dvec3>& points, double cameraBox[6]) {
    emptyBox(cameraBox);
    if (points.empty()) return;
    double box[6];
    emptyBox(box);
    for (const glm::dvec3& p : points) {
        double q[3] = {p.x, p.y, p.z};
        growBox(box, q);
    }
    glm::dvec3 centre((box[0] + box[3]) / 2, (box[1] + box[4]) / 2, (box[2] + box[5]) / 2);
    glm::dmat4 m = cameraToWorld();
    glm::dvec3 position(m[3]), viewAxis(m[2]);
    switch (mode_) {
        case kOrbit:
            std::memcpy(target, &centre[0], sizeof target);
            break;
        case kLookAt: {
            double along = glm::length(position - glm::dvec3(target[0], target[1], target[2]));
            std::memcpy(target, &centre[0], sizeof target);
            glm::dvec3 e = centre + glm::normalize(viewAxis) * along;
            std::memcpy(eye, &e[0], sizeof eye);
            break;
        }
        case kHandheld: {
            // Turn to face the centre: heading about Y, then pitch about X.
            glm::dvec3 d = position - centre;
            tumbleLeftRight = glm::degrees(std::atan2(d.x, d.z));
            tumbleUpDown = -glm::degrees(std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)));
            break;
        }
        default:
            break;
    }
    glm::dmat4 toCamera = glm::inverse(cameraToWorld());
    for (const glm::dvec3& p : points) {
        glm::dvec4 q = toCamera * glm::dvec4(p, 1.0);
        double c[3] = {q.x, q.y, q.z};
        growBox(cameraBox, c);
    }
}

void Camera::registerCommands() {
    DAGNode::registerCommands();
    registerCommand("mode", readMode);
    registerCommand("lens-type", readLensType);
    registerCommand("projection", readProjection);
    registerCommand("aspect", readField<&Camera::aspect>);
    registerCommand("lens", readLens);
    registerCommand("aperture", readAperture);
    registerCommand("clip", readClip);
    registerCommand("eye", readField<&Camera::eye>);
    registerCommand("target", readField<&Camera::target>);
    registerCommand("distance", readField<&Camera::distance>);
    registerCommand("tumble-left-right", readField<&Camera::tumbleLeftRight>);
    registerCommand("tumble-up-down", readField<&Camera::tumbleUpDown>);
    registerCommand("roll", readField<&Camera::roll>);
    registerCommand("ortho-width", readField<&Camera::orthoWidth>);
    registerCommand("under-scan", readField<&Camera::underScan>);
    registerCommand("scale-vertically", readScaleVertically);
}

int Camera::writeCommands(CommandIO& io) {
    if (DAGNode::writeCommands(io) != 0) return -1;
    io.writef("mode %s\n", kModeNames[mode_]);
    io.writef("lens-type %s\n", lensType_.c_str());
    io.writef("projection %s\n", kProjectionNames[projection_]);
    io.writef("aspect %lf\n", aspect);
    io.writef("lens %lf\n", lens_);
    io.writef("aperture %lf\n", aperture_);
    io.writef("clip %lf %lf\n", clipNear, clipFar);
    io.writef("eye %lf %lf %lf\n", eye[0], eye[1], eye[2]);
    io.writef("target %lf %lf %lf\n", target[0], target[1], target[2]);
    io.writef("distance %lf\n", distance);
    io.writef("tumble-left-right %lf\n", tumbleLeftRight);
    io.writef("tumble-up-down %lf\n", tumbleUpDown);
    io.writef("roll %lf\n", roll);
    io.writef("ortho-width %lf\n", orthoWidth);
    io.writef("under-scan %lf\n", underScan);
    io.writef("scale-vertically %i\n", scaleVertically ? 1 : 0);
    return 0;
}

}  // namespace fw
