#pragma once
// What the geometry library adds at start-up: extruded objects and extrusion styles
// in the scene's member factory.

namespace fw {

void registerGeometryClasses();

}  // namespace fw
