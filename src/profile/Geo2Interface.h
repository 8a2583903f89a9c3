#pragma once
// The interface flattened 2D outlines travel behind: shared point, normal and
// texture-coordinate arrays, and one element (an index list) per contour.

namespace fw {

class Geo2Interface {
public:
    enum Kind { Closed = 0, Open = 2 };
    // Callers of getElement size their buffers for this many points; a longer element
    // is reported with every count 0 rather than overrun them.
    static constexpr int kMaxCopiedPoints = 4096;

    struct ElementInfo {
        int kind = 0;
        int part = 0;
        int pointCount = 0;
        int normalCount = 0;
        int texCount = 0;
    };

    virtual ~Geo2Interface() = default;

    // Empties the points, normals, texture coordinates and elements; returns 0.
    virtual int clear() = 0;
    virtual int addPoint(double x, double y) = 0;
    virtual int addNormal(double x, double y) = 0;
    virtual int addTexCoord(double u, double v) = 0;
    // The lists are copied; returns the element index, -1 when it cannot be stored.
    virtual int addElement(int kind, int part, int pointCount, const int* points, int normalCount,
                           const int* normals, int texCount, const int* texIndices) = 0;

    virtual int pointCount() const = 0;
    virtual int texCoordCount() const = 0;
    virtual int normalCount() const = 0;
    virtual int elementCount() const = 0;

    // An index out of range gives zeros and false.
    virtual bool getPoint(int index, double out[2]) const = 0;
    virtual bool getTexCoord(int index, double out[2]) const = 0;
    virtual bool getNormal(int index, double out[2]) const = 0;
    // Copies the three lists into the buffers (each may be null when not wanted).
    virtual bool getElement(int index, ElementInfo& info, int* points, int* normals,
                            int* texIndices) const = 0;
};

}  // namespace fw
