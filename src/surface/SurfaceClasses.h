#pragma once
// Adds the scene member classes of the surface library (image files, image maps and
// materials) to the scene's member factory. The program calls it once at start.

namespace fw {

void registerSurfaceClasses();

}  // namespace fw
