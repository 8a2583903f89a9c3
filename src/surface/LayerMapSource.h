#pragma once
// The application's list of layered images, as layer-map shaders see it. The
// application implements it; the surface library only asks for pictures by number.

namespace fw {

class Picture;

class LayerMapSource {
public:
    virtual ~LayerMapSource() = default;
    // The picture with this number, or null when there is none.
    virtual const Picture* layerMap(int index) = 0;
};

}  // namespace fw
