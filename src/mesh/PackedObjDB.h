#pragma once
// The drawing form of a mesh: one single-precision vertex per distinct combination of
// position, texture coordinate and normal, and one shared index list, ready to be
// drawn as vertex arrays.

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/GeometryInterface.h"
#include "platform/GrowableArray.h"

namespace fw {

class PackedObjDB : public GeometryInterface {
public:
    enum AttributeFlag { HasTexCoords = 1, HasNormals = 2 };
    // Per packed vertex: u, v, normal x, y, z, position x, y, z.
    static constexpr int kFloatsPerVertex = 8;
    static constexpr int kPositionOffset = 5;
    // Corner counts are stored in 16 bits.
    static constexpr int kMaxCorners = 65535;
    // A larger position index is refused rather than growing the combination table
    // to cover it.
    static constexpr int kMaxPositionIndex = 1 << 28;

    // A list that later passes may attach to an element. Most elements never get one,
    // and a solid holds thousands of elements, so until then it is one null pointer.
    class ElementList {
    public:
        static constexpr int kFirstStep = 10;
        int count() const { return array_ ? array_->count() : 0; }
        int step() const { return array_ ? array_->step() : kFirstStep; }
        const int32_t* data() const { return array_ ? array_->data() : nullptr; }
        // The list itself, made on first use.
        GrowableArray<int32_t>& array() {
            if (!array_) array_ = std::make_unique<GrowableArray<int32_t>>(kFirstStep);
            return *array_;
        }

    private:
        std::unique_ptr<GrowableArray<int32_t>> array_;
    };

    struct Element {
        uint16_t kind;
        uint16_t count;
        uint32_t first;        // where its corners start in the shared index list
        int16_t part;
        int16_t originalPart;  // the part it was added with; later passes may change part
        uint32_t user;
        ElementList list;      // for later passes; empty when added
    };

    PackedObjDB();
    ~PackedObjDB() override;
    PackedObjDB(const PackedObjDB&) = delete;
    PackedObjDB& operator=(const PackedObjDB&) = delete;

    // These only stage values (as floats) for the elements to combine.
    int addVertex(const double position[3]) override;
    int addNormal(const double normal[3]) override;
    int addTexCoord(const double uvw[3]) override;  // w is dropped
    // Resolves every corner to a packed vertex. Refuses (-1) a bad kind, more than
    // kMaxCorners corners or a position index outside 0..kMaxPositionIndex.
    int addElement(int kind, int part, int count, const int* positions, int texCount,
                   const int* texIndices, int normalCount, const int* normalIndices,
                   int user = -1) override;

    // Counts of packed vertices; texture coordinates and normals count only while
    // their attribute flag is set, which a corner given one sets.
    int vertexCount() const override { return vertices_.count(); }
    int texCoordCount() const override;
    int normalCount() const override;
    int elementCount() const override { return static_cast<int>(elements_.size()); }

    // All three read the packed vertex; a texture coordinate's w is 0.
    bool getVertex(double out[3], int index) const override;
    bool getTexCoord(double out[3], int index) const override;
    bool getNormal(double out[3], int index) const override;
    // The three lists are the same packed-index list; the texture and normal lists
    // are reported only while their attribute flag is set.
    bool getElement(int index, ElementInfo& info, int* positions, int* texIndices,
                    int* normalIndices) const override;
    bool getElementRefs(int index, ElementInfo& info, const int** positions,
                        const int** texIndices, const int** normalIndices) const override;

    // Replaces the contents with the packed form of source, element by element in
    // its order. False when an element could not be stored (the rest still are).
    bool pack(const GeometryInterface& source);
    // Room for about this many staged positions and corners, for a builder that adds
    // straight into this mesh (finish gives back what is left over).
    void reserve(int positions, int corners);
    void clear();
    // Drops what only adding needs (the staged attributes and the combination table)
    // and the room grown beyond the packed data: a finished mesh is read, not added to.
    // Adding refuses until clear().
    void finish();
    bool finished() const { return finished_; }
    // Whether pack() of this mesh would give back exactly this mesh (vertices, indices,
    // elements and flags), so a reader that repacks it may read it as it is.
    bool repacksToItself() const;

    int attributeFlags() const { return flags_; }
    int stagedPositionCount() const { return stagedPositions_.count(); }
    const float* vertexData() const { return vertices_.data() ? vertices_.data()->f : nullptr; }
    const int32_t* indexData() const { return indices_.data(); }
    int indexCount() const { return indices_.count(); }
    const Element& element(int index) const { return elements_[index]; }
    Element& element(int index) { return elements_[index]; }
    // Moves a packed vertex in place, which deforms the mesh without repacking it.
    bool setVertexPosition(int index, const double position[3]);

private:
    struct Combo {
        int32_t tex;
        int32_t normal;
        int32_t packed;  // -1 while the entry is empty
        int32_t next;    // overflow entry of the next combination of this position
    };
    struct Float3 {
        float v[3];
    };
    struct Float2 {
        float v[2];
    };
    struct Vertex {
        float f[kFloatsPerVertex];
    };

    int packCorner(int p, int t, int n);
    int appendVertex(int p, int t, int n);
    const float* vertexAt(int index) const;

    GrowableArray<Float3> stagedPositions_{100};
    GrowableArray<Float3> stagedNormals_{100};
    GrowableArray<Float2> stagedTexCoords_{100};
    GrowableArray<Combo> table_{100};
    GrowableArray<Combo> overflow_{20};
    GrowableArray<Vertex> vertices_{100};
    GrowableArray<int32_t> indices_{300};
    std::vector<Element> elements_;
    int flags_ = 0;
    bool finished_ = false;
};

}  // namespace fw
