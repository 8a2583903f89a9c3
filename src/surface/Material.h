#pragma once
// A material: how a surface looks. The scene keeps materials under unique names and
// objects refer to them by name; MaterialX is the one concrete kind.

#include "scene/SceneMember.h"
#include "surface/NameTable.h"

namespace fw {

class MaterialChannel;

class Material : public SceneMember {
public:
    enum Style { kStandard = 0, kAbsolute, kCartoon, kMatte, kShadowCatcher, kWireframe, kHiddenLine, kFresnel };
    // Bits of the needed-vertex-data set; what each asks for is up to the mesh
    // builder and renderer that read them.
    enum VertexData : unsigned { kVertexData1 = 1, kVertexData2 = 2, kVertexData4 = 4 };
    static constexpr int kChannels = 10;

    // Style names as written, and the upper-case names of the older flat layout.
    static const NameTable kStyleNames;
    static const NameTable kOldStyleNames;

    Material(Scene& scene, const char* name);

    virtual int style() const = 0;
    bool isFresnel() const { return style() == kFresnel; }
    virtual bool respondsToLighting() const = 0;
    // Channel 0..9: colour, specular, bump, transparency, reflectivity of the first
    // surface, then the same five of the second (used by Fresnel only).
    virtual MaterialChannel& channel(int index) = 0;
    virtual const MaterialChannel& channel(int index) const = 0;
    // Whether channel `index` takes part in the material's style.
    virtual bool usesChannel(int index) const = 0;
    // The VertexData bits the used, non-trivial channels need.
    virtual unsigned neededVertexData() const = 0;
    // Back to a new material's state.
    virtual void reset() = 0;
    // Marks the material changed and passes the notice to every channel.
    virtual void notifyChange() = 0;
    // Caps the rays of the transparency and reflectivity channels in use.
    virtual void clampRayCounts(int cap) = 0;
};

}  // namespace fw
