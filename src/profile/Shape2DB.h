#pragma once
// The 2D shape database: flattened contours as index lists into shared points,
// normals and texture coordinates, handed from the profile code to the solids.

#include <cstdint>
#include <vector>

#include "platform/GrowableArray.h"
#include "profile/Geo2Interface.h"

namespace fw {

class Shape2DB : public Geo2Interface {
public:
    // Elements of this kind are left out of the length pass.
    static constexpr int kUnmeasuredKind = 3;

    Shape2DB();
    ~Shape2DB() override;
    Shape2DB(const Shape2DB&) = delete;
    Shape2DB& operator=(const Shape2DB&) = delete;

    int clear() override;
    int addPoint(double x, double y) override;
    int addNormal(double x, double y) override;
    int addTexCoord(double u, double v) override;
    // A negative count is refused; the index values are stored as given.
    int addElement(int kind, int part, int pointCount, const int* points, int normalCount,
                   const int* normals, int texCount, const int* texIndices) override;

    int pointCount() const override { return points_.count(); }
    int texCoordCount() const override { return texCoords_.count(); }
    int normalCount() const override { return normals_.count(); }
    int elementCount() const override { return static_cast<int>(elements_.size()); }

    bool getPoint(int index, double out[2]) const override;
    bool getTexCoord(int index, double out[2]) const override;
    bool getNormal(int index, double out[2]) const override;
    bool getElement(int index, ElementInfo& info, int* points, int* normals,
                    int* texIndices) const override;

    // Bounds over the element's points; false for an element without valid points.
    bool elementBounds(int index, double& xMin, double& xMax, double& yMin, double& yMax) const;
    // Fills every element's length (the polyline through its points, without a closing
    // edge), except for elements of kUnmeasuredKind.
    void computeLengths();
    // The length last computed; 0 until computeLengths runs.
    double elementLength(int index) const;
    // The element's point count, however long it is; 0 for no such element.
    int elementPointCount(int index) const;
    // The element's kind, counts and point indices, however long it is (getElement
    // reports an element past its buffer limit as empty); false for no such element.
    bool getElementPoints(int index, ElementInfo& info, std::vector<int>& points) const;
    // Half the absolute shoelace sum over the element's points.
    double elementArea(int index) const;
    // Later elements move down by one.
    bool removeElement(int index);
    // Replaces everything with a copy of other.
    void copyFrom(const Shape2DB& other);
    // Gives back the room the arrays grew beyond what they hold, once the shape is made.
    void shrinkToFit();

private:
    // Kind, part and the three full counts; false for no such element.
    bool describeElement(int index, ElementInfo& info) const;

    struct Pair {
        double v[2];
    };
    struct Element {
        double length = 0;
        int32_t kind = 0;
        int32_t part = 0;
        GrowableArray<int32_t> points{20};
        GrowableArray<int32_t> normals{20};
        GrowableArray<int32_t> texIndices{20};
    };

    static bool getPair(const GrowableArray<Pair>& array, int index, double out[2]);

    GrowableArray<Pair> points_{100};
    GrowableArray<Pair> normals_{100};
    GrowableArray<Pair> texCoords_{100};
    std::vector<Element> elements_;
};

}  // namespace fw
