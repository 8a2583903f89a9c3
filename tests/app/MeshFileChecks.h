#pragma once
// What the mesh command tests share: assimp's word on a file where it is installed, files read back by the program's
// own readers as triangles, and a .glb's meshes placed by its nodes.
#include <filesystem>
#include <string>
#include <vector>

#include "AppHelpers.h"
#include "GltfModel.h"
#include "MeshCompare.h"
#include "output/ImportGroup.h"

namespace fw::test {

inline bool haveAssimp() { return std::filesystem::exists("/usr/bin/assimp"); }

// `assimp info` on the file, run in a folder of its own.
inline Outcome assimpInfo(const std::string& path) {
    TempDir dir;
    return runProgram("assimp", "info '" + path + "'", dir.file(""));
}

template <class Reader>
std::vector<ImportGroup> readBack(Reader&& reader, const std::string& path) {
    std::vector<ImportGroup> groups;
    EXPECT_TRUE(reader.read(path, groups)) << path << ": " << reader.error();
    return groups;
}

inline std::vector<Triangle> allTriangles(const std::vector<ImportGroup>& groups) {
    std::vector<Triangle> all;
    for (const ImportGroup& group : groups) {
        auto some = trianglesOf(*group.mesh);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

// Every node's mesh moved by `place(node)`.
template <class Place>
std::vector<Triangle> sceneTriangles(const tinygltf::Model& model, Place place) {
    std::vector<Triangle> all;
    for (size_t i = 0; i < model.nodes.size(); ++i) {
        if (model.nodes[i].mesh < 0) continue;
        glm::dmat4 m = place(static_cast<int>(i));
        for (Triangle t : meshTriangles(model, model.nodes[i].mesh)) {
            for (size_t k = 0; k < 9; k += 3) {
                glm::dvec3 p(m * glm::dvec4(t[k], t[k + 1], t[k + 2], 1.0));
                t[k] = p.x, t[k + 1] = p.y, t[k + 2] = p.z;
            }
            all.push_back(t);
        }
    }
    return all;
}

}  // namespace fw::test
