#pragma once
// One index per distinct (position, texture, normal) corner while a mesh is exported:
// the key of that combination, ordered by position, then texture, then normal.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace fw {

class ComboVertex {
public:
    ComboVertex() = default;
    ComboVertex(int32_t p, int32_t t, int32_t n) : position(p), texture(t), normal(n) {}

    // 1, -1 or 0 as this one sorts after, before or with other.
    int compare(const ComboVertex& other) const {
        if (position != other.position) return position > other.position ? 1 : -1;
        if (texture != other.texture) return texture > other.texture ? 1 : -1;
        if (normal != other.normal) return normal > other.normal ? 1 : -1;
        return 0;
    }
    bool operator<(const ComboVertex& other) const { return compare(other) < 0; }
    bool operator==(const ComboVertex& other) const { return compare(other) == 0; }

    int32_t position = -1;
    int32_t texture = -1;
    int32_t normal = -1;
};

}  // namespace fw

template <>
struct std::hash<fw::ComboVertex> {
    size_t operator()(const fw::ComboVertex& k) const {
        uint64_t h = static_cast<uint32_t>(k.position) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint32_t>(k.texture) * 0xC2B2AE3D27D4EB4Full + (h >> 7);
        h ^= static_cast<uint32_t>(k.normal) * 0x165667B19E3779F9ull + (h >> 11);
        return static_cast<size_t>(h);
    }
};
