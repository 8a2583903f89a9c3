#include "render/Camera.h"

#include <cmath>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

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

int writeMode(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(kModeNames[receiverAs<Camera>(r).mode()]), spelling);
}

int writeProjection(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(kProjectionNames[receiverAs<Camera>(r).projection()]), spelling);
}

int writeClip(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const Camera& c = receiverAs<Camera>(r);
    const double clip[2] = {c.clipNear, c.clipFar};
    return writeLine(io, keyword, clip, spelling);
}

constexpr FieldTable::Line kCameraLines[] = {
    {"mode", readMode, writeMode},
    {"lens-type", readLensType, writeGetter<&Camera::lensType>},
    {"projection", readProjection, writeProjection},
    field<&Camera::aspect>("aspect", Spelling::fixed),
    {"lens", readLens, writeGetter<&Camera::lens>, Spelling::fixed},
    {"aperture", readAperture, writeGetter<&Camera::aperture>, Spelling::fixed},
    {"clip", readClip, writeClip, Spelling::fixed},
    field<&Camera::eye>("eye", Spelling::fixed),
    field<&Camera::target>("target", Spelling::fixed),
    field<&Camera::distance>("distance", Spelling::fixed),
    field<&Camera::tumbleLeftRight>("tumble-left-right", Spelling::fixed),
    field<&Camera::tumbleUpDown>("tumble-up-down", Spelling::fixed),
    field<&Camera::roll>("roll", Spelling::fixed),
    field<&Camera::orthoWidth>("ortho-width", Spelling::fixed),
    field<&Camera::underScan>("under-scan", Spelling::fixed),
    field<&Camera::scaleVertically>("scale-vertically"),
};
constexpr FieldTable kCameraTable{kCameraLines};

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

double Camera::fieldOfView() const { return 2 * std::atan2(aperture_ / 2, lensInUse()) * 180 / kLensPi; }

void Camera::setAnimatedFieldOfView(double degrees) {
    animatedLens_ = degrees > 0 && degrees < 180 ? (aperture_ / 2) / std::tan(degrees / 2 * kLensPi / 180) : 0.0;
}

bool Camera::setFieldOfView(double degrees) {
    if (!(degrees > 0)) return false;
    return setLens((aperture_ / 2) / std::tan(degrees / 2 * kLensPi / 180));
}

glm::dmat4 Camera::cameraToWorld() {
    const glm::dmat4 m = placement();
    if (mode_ == kOrbit || (focusTurn[0] == 0 && focusTurn[1] == 0)) return m;
    const double f = focusDistance();
    const glm::dmat4 identity(1.0);
    return m * glm::translate(identity, glm::dvec3(0, 0, -f)) * rotationZyx(focusTurn[0], focusTurn[1], 0) *
           glm::translate(identity, glm::dvec3(0, 0, f));
}

double Camera::focusDistance() {
    if (mode_ == kOrbit) return distance;
    const glm::dmat4 m = placement();
    // The camera looks down its -Z axis.
    const glm::dvec3 toTarget = glm::dvec3(target[0], target[1], target[2]) - glm::dvec3(m[3]);
    const double ahead = glm::dot(toTarget, -glm::normalize(glm::dvec3(m[2])));
    return ahead > 0 ? ahead : distance;
}

glm::dmat4 Camera::placement() {
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
    halfWidth = aperture_ * d / (2 * lensInUse());
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
    kCameraTable.registerInto(*this);
}

int Camera::writeCommands(CommandIO& io) {
    if (DAGNode::writeCommands(io) != 0) return -1;
    return kCameraTable.write(io, *this);
}

}  // namespace fw
