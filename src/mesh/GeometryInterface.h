#pragma once
// The one interface every mesh is handed around behind: builders add attributes and
// then elements that refer to them by index; readers walk the elements.

namespace fw {

class GeometryInterface {
public:
    enum Kind { Polygon = 0, Polyline = 1, PointSet = 2 };
    // Callers of getElement size their buffers for this many corners; a longer
    // element is reported with every count 0 rather than overrun them.
    static constexpr int kMaxCopiedCorners = 4096;

    // What getElement and getElementRefs report besides the index lists.
    struct ElementInfo {
        int kind = 0;
        int part = -1;
        int count = 0;  // corners, which is also the position list's length
        int texCount = 0;
        int normalCount = 0;
        int user = -1;
    };

    virtual ~GeometryInterface() = default;

    virtual int addVertex(const double position[3]) = 0;
    virtual int addNormal(const double normal[3]) = 0;
    virtual int addTexCoord(const double uvw[3]) = 0;
    // A texture or normal list whose length is not count is treated as absent.
    // Returns the element index, or -1 when the element cannot be stored.
    virtual int addElement(int kind, int part, int count, const int* positions, int texCount,
                           const int* texIndices, int normalCount, const int* normalIndices,
                           int user = -1) = 0;

    virtual int vertexCount() const = 0;
    virtual int texCoordCount() const = 0;
    virtual int normalCount() const = 0;
    virtual int elementCount() const = 0;

    // An index out of range gives zeros and false.
    virtual bool getVertex(double out[3], int index) const = 0;
    virtual bool getTexCoord(double out[3], int index) const = 0;
    virtual bool getNormal(double out[3], int index) const = 0;

    // Copies the lists into the buffers (each may be null when not wanted).
    virtual bool getElement(int index, ElementInfo& info, int* positions, int* texIndices,
                            int* normalIndices) const = 0;
    // Hands out the stored lists; they stay valid until the mesh changes. No buffers
    // are at risk here, so long elements report their real counts.
    virtual bool getElementRefs(int index, ElementInfo& info, const int** positions,
                                const int** texIndices, const int** normalIndices) const = 0;
};

}  // namespace fw
