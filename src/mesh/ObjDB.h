#pragma once
// The building form of a mesh: positions, normals and texture coordinates in separate
// double-precision arrays, and per-element index lists into them, as an OBJ file has.

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/GeometryInterface.h"
#include "platform/GrowableArray.h"

namespace fw {

class ObjDB : public GeometryInterface {
public:
    // Index lists are carved from blocks of this many slots; an element with more
    // corners gets a block of its own.
    static constexpr int kBlockSize = 2048;

    ObjDB();
    ~ObjDB() override;
    ObjDB(const ObjDB&) = delete;
    ObjDB& operator=(const ObjDB&) = delete;

    int addVertex(const double position[3]) override;
    int addNormal(const double normal[3]) override;
    int addTexCoord(const double uvw[3]) override;
    // Kind must be Polygon, Polyline or PointSet and count not negative; the index
    // values are stored as given.
    int addElement(int kind, int part, int count, const int* positions, int texCount,
                   const int* texIndices, int normalCount, const int* normalIndices,
                   int user = -1) override;

    int vertexCount() const override { return positions_.count(); }
    int texCoordCount() const override { return texCoords_.count(); }
    int normalCount() const override { return normals_.count(); }
    int elementCount() const override { return elements_.count(); }

    bool getVertex(double out[3], int index) const override;
    bool getTexCoord(double out[3], int index) const override;
    bool getNormal(double out[3], int index) const override;
    bool getElement(int index, ElementInfo& info, int* positions, int* texIndices,
                    int* normalIndices) const override;
    bool getElementRefs(int index, ElementInfo& info, const int** positions,
                        const int** texIndices, const int** normalIndices) const override;

    // Empties the mesh and frees the index-list blocks.
    void clear();
    // Becomes a copy of another mesh: its positions, texture coordinates, normals and
    // elements, in their order and with their parts.
    void assign(const GeometryInterface& from);
    // Merges positions that lie within tolerance of an earlier kept position (exactly
    // equal ones when tolerance is 0), keeps the survivors in their first order and
    // renumbers the elements' position indices. Returns how many positions went away.
    int weld(double tolerance);
    // Blocks currently held by the index-list pool.
    int blockCount() const { return static_cast<int>(blocks_.size()); }

private:
    struct Triple {
        double v[3];
    };
    struct Element {
        int32_t kind;
        int32_t part;
        int32_t user;
        int32_t count;
        int32_t* positions;
        int32_t* texIndices;  // null when absent
        int32_t* normalIndices;
    };

    int32_t* carve(int count, const int* values);
    static bool getTriple(const GrowableArray<Triple>& array, double out[3], int index);

    std::vector<std::unique_ptr<int32_t[]>> blocks_;
    int32_t* current_ = nullptr;  // the block being carved, always of kBlockSize slots
    int currentUsed_ = kBlockSize;
    GrowableArray<Triple> positions_{100};
    GrowableArray<Triple> normals_{100};
    GrowableArray<Triple> texCoords_{100};
    GrowableArray<Element> elements_{20};
};

}  // namespace fw
