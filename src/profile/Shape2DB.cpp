#include "profile/Shape2DB.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

void copyList(GrowableArray<int32_t>& to, int count, const int* values) {
    for (int i = 0; i < count; ++i) to.append(values[i]);
}

void copyArray(GrowableArray<int32_t>& to, const GrowableArray<int32_t>& from) {
    to.clear();
    for (int i = 0; i < from.count(); ++i) to.append(from[i]);
}

}  // namespace

Shape2DB::Shape2DB() = default;
Shape2DB::~Shape2DB() = default;

int Shape2DB::clear() {
    points_.clear();
    normals_.clear();
    texCoords_.clear();
    elements_.clear();
    return 0;
}

int Shape2DB::addPoint(double x, double y) {
    points_.append({{x, y}});
    return points_.count() - 1;
}

int Shape2DB::addNormal(double x, double y) {
    normals_.append({{x, y}});
    return normals_.count() - 1;
}

int Shape2DB::addTexCoord(double u, double v) {
    texCoords_.append({{u, v}});
    return texCoords_.count() - 1;
}

int Shape2DB::addElement(int kind, int part, int pointCount, const int* points, int normalCount,
                         const int* normals, int texCount, const int* texIndices) {
    if (pointCount < 0 || (pointCount > 0 && !points)) return -1;
    Element e;
    e.kind = kind;
    e.part = part;
    copyList(e.points, pointCount, points);
    if (normals) copyList(e.normals, std::max(normalCount, 0), normals);
    if (texIndices) copyList(e.texIndices, std::max(texCount, 0), texIndices);
    elements_.push_back(std::move(e));
    return elementCount() - 1;
}

bool Shape2DB::getPair(const GrowableArray<Pair>& array, int index, double out[2]) {
    bool valid = index >= 0 && index < array.count();
    out[0] = valid ? array[index].v[0] : 0.0;
    out[1] = valid ? array[index].v[1] : 0.0;
    return valid;
}

bool Shape2DB::getPoint(int index, double out[2]) const { return getPair(points_, index, out); }
bool Shape2DB::getTexCoord(int index, double out[2]) const { return getPair(texCoords_, index, out); }
bool Shape2DB::getNormal(int index, double out[2]) const { return getPair(normals_, index, out); }

bool Shape2DB::describeElement(int index, ElementInfo& info) const {
    if (index < 0 || index >= elementCount()) return false;
    const Element& e = elements_[index];
    info.kind = e.kind;
    info.part = e.part;
    info.pointCount = e.points.count();
    info.normalCount = e.normals.count();
    info.texCount = e.texIndices.count();
    return true;
}

bool Shape2DB::getElementPoints(int index, ElementInfo& info, std::vector<int>& points) const {
    if (!describeElement(index, info)) return false;
    const Element& e = elements_[index];
    points.assign(e.points.data(), e.points.data() + info.pointCount);
    return true;
}

bool Shape2DB::getElement(int index, ElementInfo& info, int* points, int* normals,
                          int* texIndices) const {
    if (!describeElement(index, info)) return false;
    const Element& e = elements_[index];
    if (std::max({info.pointCount, info.normalCount, info.texCount}) > kMaxCopiedPoints) {
        info.pointCount = info.normalCount = info.texCount = 0;
        return true;
    }
    if (points) std::copy(e.points.data(), e.points.data() + info.pointCount, points);
    if (normals) std::copy(e.normals.data(), e.normals.data() + info.normalCount, normals);
    if (texIndices) std::copy(e.texIndices.data(), e.texIndices.data() + info.texCount, texIndices);
    return true;
}

bool Shape2DB::elementBounds(int index, double& xMin, double& xMax, double& yMin,
                             double& yMax) const {
    if (index < 0 || index >= elementCount()) return false;
    const Element& e = elements_[index];
    bool any = false;
    for (int i = 0; i < e.points.count(); ++i) {
        int p = e.points[i];
        if (p < 0 || p >= points_.count()) continue;
        double x = points_[p].v[0], y = points_[p].v[1];
        if (!any) {
            xMin = xMax = x;
            yMin = yMax = y;
            any = true;
        } else {
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
        }
    }
    return any;
}

void Shape2DB::shrinkToFit() {
    points_.shrinkToFit();
    normals_.shrinkToFit();
    texCoords_.shrinkToFit();
    for (Element& e : elements_) {
        e.points.shrinkToFit();
        e.normals.shrinkToFit();
        e.texIndices.shrinkToFit();
    }
    elements_.shrink_to_fit();
}

void Shape2DB::computeLengths() {
    for (Element& e : elements_) {
        if (e.kind == kUnmeasuredKind) continue;
        double length = 0;
        double a[2], b[2];
        for (int i = 1; i < e.points.count(); ++i) {
            if (getPoint(e.points[i - 1], a) && getPoint(e.points[i], b))
                length += std::hypot(b[0] - a[0], b[1] - a[1]);
        }
        e.length = length;
    }
}

double Shape2DB::elementLength(int index) const {
    return index >= 0 && index < elementCount() ? elements_[index].length : 0.0;
}

int Shape2DB::elementPointCount(int index) const {
    return index >= 0 && index < elementCount() ? elements_[index].points.count() : 0;
}

double Shape2DB::elementArea(int index) const {
    if (index < 0 || index >= elementCount()) return 0.0;
    const Element& e = elements_[index];
    double sum = 0;
    double a[2], b[2];
    for (int i = 0; i < e.points.count(); ++i) {
        getPoint(e.points[i], a);
        getPoint(e.points[(i + 1) % e.points.count()], b);
        sum += a[0] * b[1] - b[0] * a[1];
    }
    return std::fabs(sum) / 2;
}

bool Shape2DB::removeElement(int index) {
    if (index < 0 || index >= elementCount()) return false;
    elements_.erase(elements_.begin() + index);
    return true;
}

void Shape2DB::copyFrom(const Shape2DB& other) {
    if (&other == this) return;
    clear();
    for (int i = 0; i < other.points_.count(); ++i) points_.append(other.points_[i]);
    for (int i = 0; i < other.normals_.count(); ++i) normals_.append(other.normals_[i]);
    for (int i = 0; i < other.texCoords_.count(); ++i) texCoords_.append(other.texCoords_[i]);
    elements_.resize(other.elements_.size());
    for (size_t i = 0; i < elements_.size(); ++i) {
        const Element& from = other.elements_[i];
        Element& to = elements_[i];
        to.length = from.length;
        to.kind = from.kind;
        to.part = from.part;
        copyArray(to.points, from.points);
        copyArray(to.normals, from.normals);
        copyArray(to.texIndices, from.texIndices);
    }
}

}  // namespace fw
