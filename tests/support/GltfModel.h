#pragma once
// Reads a written .glb back with tinygltf's own loader, and turns what it holds into
// what the tests compare: float lists, index lists, meshes, node transforms.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <string>
#include <vector>

#include "MeshCompare.h"
#include "mesh/ObjDB.h"

namespace fw::test {

inline tinygltf::Model loadGlb(const std::string& path) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, path)) << error;
    EXPECT_EQ(error, "");
    return model;
}

// The components of accessor `index`, stored as `type`; empty when they run past the buffer.
template <class T>
std::vector<T> componentsOf(const tinygltf::Model& model, int index, int type) {
    const tinygltf::Accessor& a = model.accessors.at(static_cast<size_t>(index));
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<size_t>(a.bufferView));
    const std::vector<unsigned char>& data = model.buffers.at(static_cast<size_t>(view.buffer)).data;
    EXPECT_EQ(a.componentType, type);
    size_t components = static_cast<size_t>(tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type)));
    size_t stride = static_cast<size_t>(a.ByteStride(view));
    std::vector<T> out(a.count * components);
    for (size_t i = 0; i < out.size(); ++i) {
        size_t at = view.byteOffset + a.byteOffset + i / components * stride + i % components * sizeof(T);
        if (at + sizeof(T) > data.size()) return {};
        std::memcpy(&out[i], data.data() + at, sizeof(T));
    }
    return out;
}

inline std::vector<double> floatsOf(const tinygltf::Model& model, int index) {
    std::vector<float> floats = componentsOf<float>(model, index, TINYGLTF_COMPONENT_TYPE_FLOAT);
    return {floats.begin(), floats.end()};
}

inline std::vector<uint32_t> indicesOf(const tinygltf::Model& model, int index) {
    return componentsOf<uint32_t>(model, index, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
}

// A primitive of the file (or all of a mesh's) as a mesh of its own, for MeshCompare.
inline void addPrimitive(const tinygltf::Model& model, const tinygltf::Primitive& p, ObjDB& db) {
    EXPECT_EQ(p.mode, TINYGLTF_MODE_TRIANGLES);
    std::vector<double> positions = floatsOf(model, p.attributes.at("POSITION"));
    int base = db.vertexCount();
    for (size_t i = 0; i + 2 < positions.size(); i += 3) db.addVertex(&positions[i]);
    std::vector<uint32_t> indices = indicesOf(model, p.indices);
    EXPECT_EQ(indices.size() % 3, 0u);
    for (uint32_t index : indices) EXPECT_LT(index, positions.size() / 3);
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        const int corners[3] = {base + int(indices[i]), base + int(indices[i + 1]), base + int(indices[i + 2])};
        db.addElement(GeometryInterface::Polygon, 0, 3, corners, 0, nullptr, 0, nullptr);
    }
}

inline std::vector<Triangle> meshTriangles(const tinygltf::Model& model, int mesh) {
    ObjDB db;
    for (const tinygltf::Primitive& p : model.meshes.at(static_cast<size_t>(mesh)).primitives)
        addPrimitive(model, p, db);
    return trianglesOf(db);
}

inline glm::dmat4 nodeMatrix(const tinygltf::Node& node) {
    EXPECT_TRUE(node.matrix.empty());
    glm::dmat4 m(1.0);
    if (!node.translation.empty())
        m = glm::translate(m, glm::dvec3(node.translation[0], node.translation[1], node.translation[2]));
    if (!node.rotation.empty())
        m *= glm::mat4_cast(glm::dquat(node.rotation[3], node.rotation[0], node.rotation[1], node.rotation[2]));
    if (!node.scale.empty()) m = glm::scale(m, glm::dvec3(node.scale[0], node.scale[1], node.scale[2]));
    return m;
}

}  // namespace fw::test
