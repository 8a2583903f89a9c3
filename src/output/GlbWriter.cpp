#include "output/GlbWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/quaternion.hpp>
#include <map>
#include <sstream>

#include "mesh/GeometryInterface.h"
#include "persistence/AFile.h"

// The one translation unit that compiles tinygltf's code. Images are never written,
// so the image codecs stay out (the switches are set for every user of the header).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>

namespace fw {

namespace {

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;

// A node's transform as glTF stores it. Shear cannot be said in translation, rotation
// and scale; it is dropped, which the program's object transforms never need.
struct Trs {
    glm::dvec3 translation{0.0};
    glm::dquat rotation{1.0, 0.0, 0.0, 0.0};
    glm::dvec3 scale{1.0};
};

Trs decompose(const glm::dmat4& m) {
    Trs trs;
    trs.translation = glm::dvec3(m[3]);
    glm::dmat3 basis(m);
    for (int c = 0; c < 3; ++c) trs.scale[c] = glm::length(basis[c]);
    if (glm::determinant(basis) < 0) trs.scale.x = -trs.scale.x;  // a mirror folds into one axis
    if (trs.scale.x == 0 || trs.scale.y == 0 || trs.scale.z == 0) return trs;
    for (int c = 0; c < 3; ++c) basis[c] /= trs.scale[c];
    trs.rotation = glm::normalize(glm::quat_cast(basis));
    return trs;
}

// Appends the bytes of one accessor to the single buffer, each view on a 4-byte boundary.
class Packer {
public:
    explicit Packer(tinygltf::Model& model) : model_(model) {
        model_.buffers.emplace_back();
    }

    int floats(const std::vector<float>& values, int type, int components, int target, bool bounds) {
        int accessor = add(values.data(), values.size() * sizeof(float), target, kFloat, type,
                           values.size() / static_cast<size_t>(components));
        if (bounds && !values.empty()) {
            tinygltf::Accessor& a = model_.accessors[static_cast<size_t>(accessor)];
            a.minValues.assign(static_cast<size_t>(components), INFINITY);
            a.maxValues.assign(static_cast<size_t>(components), -INFINITY);
            for (size_t i = 0; i < values.size(); ++i) {
                size_t c = i % static_cast<size_t>(components);
                a.minValues[c] = std::min(a.minValues[c], static_cast<double>(values[i]));
                a.maxValues[c] = std::max(a.maxValues[c], static_cast<double>(values[i]));
            }
        }
        return accessor;
    }

    int indices(const std::vector<uint32_t>& values) {
        return add(values.data(), values.size() * sizeof(uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                   TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, values.size());
    }

private:
    int add(const void* data, size_t bytes, int target, int componentType, int type, size_t count) {
        std::vector<unsigned char>& buffer = model_.buffers[0].data;
        while (buffer.size() % 4) buffer.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = target;
        buffer.resize(buffer.size() + bytes);
        std::memcpy(buffer.data() + view.byteOffset, data, bytes);
        model_.bufferViews.push_back(view);
        tinygltf::Accessor accessor;
        accessor.bufferView = static_cast<int>(model_.bufferViews.size()) - 1;
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = count;
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    tinygltf::Model& model_;
};

// The look of a part as a metallic-roughness material, from what the renderer does
// with the material:
// - The renderer adds the mirrored environment on top of the lit colour, weighted by
//   the reflectivity amount. Dielectrics mirror little (the factory's glossy plastic
//   0.12, frosted glass 0.1); its metals mirror 0.45 (brushed) to 0.65 (polished) over
//   a dark body. So metallic rises from 0 at reflectivity 0.15 to 1 at 0.45:
//   (reflectivity - 0.15) / 0.3, clamped. A transparent surface is no metal: metallic
//   is scaled by the opacity (clear glass, 0.3 reflective, 0.8 transparent, gets 0.1).
// - A metal's colour in glTF is what it mirrors. The renderer tints the mirrored
//   studio with the metal's hue over a body darkened to 40%, so the base colour moves
//   (by metallic) from the diffuse colour to that hue at full brightness (the diffuse
//   colour over its largest channel): Chrome's 0.38 grey gives 0.95 back.
// - Roughness comes from the highlight: a strong (specularAmount) and tight
//   (shininess, the sharpness over 128) highlight means a smooth surface, roughness =
//   1 - shininess * specularAmount, so a material without a highlight is fully rough.
// Base colour's alpha is the opacity (blended when below 1).
tinygltf::Material materialFor(const ExportMaterial& look) {
    auto unit = [](double x) { return std::clamp(std::isfinite(x) ? x : 0.0, 0.0, 1.0); };
    tinygltf::Material m;
    m.name = look.name;
    double alpha = 1.0 - unit(look.transparency);
    double metallic = unit((unit(look.reflectivity) - 0.15) / 0.3) * alpha;
    double diffuse[3] = {unit(look.diffuse[0]), unit(look.diffuse[1]), unit(look.diffuse[2])};
    double brightest = std::max({diffuse[0], diffuse[1], diffuse[2]});
    std::vector<double> base(4, alpha);
    for (size_t c = 0; c < 3; ++c)
        base[c] = brightest > 0 ? diffuse[c] + metallic * (diffuse[c] / brightest - diffuse[c]) : diffuse[c];
    m.pbrMetallicRoughness.baseColorFactor = base;
    if (alpha < 1.0) m.alphaMode = "BLEND";
    m.pbrMetallicRoughness.metallicFactor = metallic;
    m.pbrMetallicRoughness.roughnessFactor = 1.0 - unit(look.shininess) * unit(look.specularAmount);
    return m;
}

// One primitive in the making: corners welded by value, since glTF gives every vertex
// a single index for its position, normal and texture coordinate together.
struct PrimitiveBuild {
    int material = 0;
    bool hasNormals = false, hasTex = false;
    std::vector<float> positions, normals, uvs;
    std::vector<uint32_t> indices;
    std::map<std::array<float, 8>, uint32_t> welded;

    void corner(const glm::dvec3& p, const glm::dvec3& n, const double uv[3]) {
        std::array<float, 8> key = {float(p.x), float(p.y), float(p.z), 0, 0, 0, 0, 0};
        if (hasNormals) key[3] = float(n.x), key[4] = float(n.y), key[5] = float(n.z);
        // glTF puts the texture origin at the top left, the program's at the bottom left.
        if (hasTex) key[6] = float(uv[0]), key[7] = float(1.0 - uv[1]);
        auto [it, added] = welded.emplace(key, static_cast<uint32_t>(positions.size() / 3));
        if (added) {
            positions.insert(positions.end(), key.begin(), key.begin() + 3);
            if (hasNormals) normals.insert(normals.end(), key.begin() + 3, key.begin() + 6);
            if (hasTex) uvs.insert(uvs.end(), key.begin() + 6, key.end());
        }
        indices.push_back(it->second);
    }
};

// The units of one node (an object, or one section of it): those of its first frame
// give the mesh, and every frame gives a transform.
struct ObjectUnits {
    std::vector<const ExportUnit*> first;
    std::vector<std::pair<double, glm::dmat4>> frames;  // time, transform
};

class GlbBuilder {
public:
    explicit GlbBuilder(bool world) : world_(world), packer_(model_) {}

    bool build(const std::vector<ExportUnit>& units) {
        std::map<std::pair<int, int>, ObjectUnits> objects;  // by object and section
        for (const ExportUnit& u : units) {
            ObjectUnits& o = objects[{u.object, u.section}];
            if (o.first.empty() || u.frame < o.first.front()->frame) {
                o.first.assign(1, &u);
            } else if (u.frame == o.first.front()->frame) {
                o.first.push_back(&u);
            }
            if (u.frame >= 0) o.frames.emplace_back(u.time, u.transform);
        }
        bool anyPolygon = false;
        tinygltf::Scene scene;
        for (auto& [index, o] : objects) {
            const ExportUnit& lead = *o.first.front();
            glm::dmat4 baked = glm::dmat4(1.0);
            if (world_ && glm::determinant(lead.transform) != 0) baked = lead.transform;

            tinygltf::Node node;
            node.name = lead.label("-Frm%d", "-Section %d");
            tinygltf::Mesh mesh;
            mesh.name = node.name;
            for (const ExportUnit* u : o.first) addPrimitives(*u, baked, mesh);
            if (!mesh.primitives.empty()) {
                anyPolygon = true;
                model_.meshes.push_back(mesh);
                node.mesh = static_cast<int>(model_.meshes.size()) - 1;
            }
            setTrs(node, decompose(relative(lead.transform, baked)));
            model_.nodes.push_back(node);
            int nodeIndex = static_cast<int>(model_.nodes.size()) - 1;
            scene.nodes.push_back(nodeIndex);
            animate(nodeIndex, o.frames, baked);
        }
        if (!anyPolygon) return false;
        model_.scenes.push_back(scene);
        model_.defaultScene = 0;
        if (!animation_.channels.empty()) {
            animation_.name = "Frames";
            model_.animations.push_back(animation_);
        }
        model_.asset.version = "2.0";
        model_.asset.generator = "Formwright";
        return true;
    }

    tinygltf::Model& model() { return model_; }

private:
    int materialIndex(const ExportMaterial& look) {
        for (size_t i = 0; i < looks_.size(); ++i)
            if (looks_[i] == look) return static_cast<int>(i);
        looks_.push_back(look);
        model_.materials.push_back(materialFor(look));
        return static_cast<int>(looks_.size()) - 1;
    }

    void addPrimitives(const ExportUnit& u, const glm::dmat4& baked, tinygltf::Mesh& mesh) {
        const GeometryInterface* g = u.geometry;
        if (!g) return;
        glm::dmat3 normalMatrix = glm::inverseTranspose(glm::dmat3(baked));
        // Positions baked through a mirror turn their triangles to keep facing out.
        const bool flip = glm::determinant(glm::dmat3(baked)) < 0;
        // Keyed by part and by which lists the corners carry: a primitive's vertices all
        // have the same attributes.
        std::map<std::array<int, 3>, PrimitiveBuild> parts;
        std::vector<glm::dvec3> points, normals;
        std::vector<std::array<double, 3>> uvs;
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!u.polygon(e, info, &p, &t, &n)) continue;
            bool hasTex = t && info.texCount == info.count, hasNormals = n && info.normalCount == info.count;
            points.assign(static_cast<size_t>(info.count), glm::dvec3(0.0));
            normals.assign(static_cast<size_t>(info.count), glm::dvec3(0.0));
            uvs.assign(static_cast<size_t>(info.count), {0, 0, 0});
            bool valid = true;
            for (int c = 0; c < info.count && valid; ++c) {
                double v[3];
                size_t k = static_cast<size_t>(c);
                valid = g->getVertex(v, p[c]);
                points[k] = glm::dvec3(baked * glm::dvec4(v[0], v[1], v[2], 1.0));
                // A broken coordinate would spoil the bounds and the welding order.
                valid = valid && std::isfinite(points[k].x) && std::isfinite(points[k].y) && std::isfinite(points[k].z);
                if (hasTex)
                    valid = valid && g->getTexCoord(uvs[k].data(), t[c]) && std::isfinite(uvs[k][0]) &&
                            std::isfinite(uvs[k][1]);
                if (hasNormals) {
                    valid = valid && g->getNormal(v, n[c]);
                    normals[k] = normalMatrix * glm::dvec3(v[0], v[1], v[2]);
                }
            }
            if (!valid) continue;
            if (hasNormals) {
                // glTF insists on unit normals: a zero one takes the polygon's own.
                glm::dvec3 face(0.0);
                for (size_t c = 0; c < points.size(); ++c)
                    face += glm::cross(points[c], points[(c + 1) % points.size()]);
                face = glm::length(face) > 0 ? glm::normalize(face) : glm::dvec3(0, 0, 1);
                for (glm::dvec3& normal : normals) {
                    double length = glm::length(normal);
                    normal = length > 0 && std::isfinite(length) ? normal / length : face;
                }
            }
            PrimitiveBuild& prim = parts[{info.part, hasNormals, hasTex}];
            prim.material = materialIndex(u.material(info.part));
            prim.hasNormals = hasNormals;
            prim.hasTex = hasTex;
            for (int c = 1; c + 1 < info.count; ++c)
                for (int k : {0, c, c + 1}) {
                    size_t i = static_cast<size_t>(ExportUnit::corner(k, info.count, flip));
                    prim.corner(points[i], normals[i], uvs[i].data());
                }
        }
        for (auto& [key, prim] : parts) {
            tinygltf::Primitive primitive;
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
            primitive.material = prim.material;
            primitive.attributes["POSITION"] =
                packer_.floats(prim.positions, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER, true);
            if (prim.hasNormals)
                primitive.attributes["NORMAL"] =
                    packer_.floats(prim.normals, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER, false);
            if (prim.hasTex)
                primitive.attributes["TEXCOORD_0"] =
                    packer_.floats(prim.uvs, TINYGLTF_TYPE_VEC2, 2, TINYGLTF_TARGET_ARRAY_BUFFER, false);
            primitive.indices = packer_.indices(prim.indices);
            mesh.primitives.push_back(primitive);
        }
    }

    // Where a node stands when its mesh was written already moved by `baked`; the frame
    // that was baked in gives an exact identity rather than a product's rounding.
    static glm::dmat4 relative(const glm::dmat4& transform, const glm::dmat4& baked) {
        return transform == baked ? glm::dmat4(1.0) : transform * glm::inverse(baked);
    }

    static void setTrs(tinygltf::Node& node, const Trs& trs) {
        if (trs.translation != glm::dvec3(0.0)) node.translation = {trs.translation.x, trs.translation.y, trs.translation.z};
        if (trs.rotation != glm::dquat(1.0, 0.0, 0.0, 0.0))
            node.rotation = {trs.rotation.x, trs.rotation.y, trs.rotation.z, trs.rotation.w};
        if (trs.scale != glm::dvec3(1.0)) node.scale = {trs.scale.x, trs.scale.y, trs.scale.z};
    }

    // Samples the node at every frame's time, linearly in between.
    void animate(int node, std::vector<std::pair<double, glm::dmat4>>& frames, const glm::dmat4& baked) {
        std::stable_sort(frames.begin(), frames.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        // Sampler times must rise strictly.
        frames.erase(std::unique(frames.begin(), frames.end(),
                                 [](const auto& a, const auto& b) { return float(a.first) == float(b.first); }),
                     frames.end());
        if (frames.size() < 2) return;
        std::vector<float> times, translations, rotations, scales;
        glm::dquat previous(1.0, 0.0, 0.0, 0.0);
        for (const auto& [time, transform] : frames) {
            Trs trs = decompose(relative(transform, baked));
            // Keep neighbouring quaternions in one hemisphere so the blend takes the short way.
            if (glm::dot(previous, trs.rotation) < 0) trs.rotation = -trs.rotation;
            previous = trs.rotation;
            times.push_back(float(time));
            for (int a = 0; a < 3; ++a) translations.push_back(float(trs.translation[a]));
            for (int a = 0; a < 3; ++a) scales.push_back(float(trs.scale[a]));
            glm::quat q = glm::normalize(glm::quat(trs.rotation));
            rotations.insert(rotations.end(), {q.x, q.y, q.z, q.w});
        }
        int input = packer_.floats(times, TINYGLTF_TYPE_SCALAR, 1, 0, true);
        const std::pair<const char*, std::pair<std::vector<float>*, int>> paths[] = {
            {"translation", {&translations, 3}}, {"rotation", {&rotations, 4}}, {"scale", {&scales, 3}}};
        for (const auto& [path, values] : paths) {
            tinygltf::AnimationSampler sampler;
            sampler.input = input;
            sampler.output = packer_.floats(*values.first, values.second == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3,
                                            values.second, 0, false);
            sampler.interpolation = "LINEAR";
            animation_.samplers.push_back(sampler);
            tinygltf::AnimationChannel channel;
            channel.sampler = static_cast<int>(animation_.samplers.size()) - 1;
            channel.target_node = node;
            channel.target_path = path;
            animation_.channels.push_back(channel);
        }
    }

    bool world_;
    tinygltf::Model model_;
    Packer packer_;
    tinygltf::Animation animation_;
    std::vector<ExportMaterial> looks_;
};

}  // namespace

bool GlbWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    GlbBuilder builder(world);
    if (!builder.build(units)) {
        if (console) std::fputs("write_glb: no geometry to export!\n", console);
        return false;
    }
    std::ostringstream bytes;
    tinygltf::TinyGLTF gltf;
    if (!gltf.WriteGltfSceneToStream(&builder.model(), bytes, false, true)) return false;
    std::string data = bytes.str();
    return AFile::writeWhole(path, data.data(), data.size());
}

}  // namespace fw
