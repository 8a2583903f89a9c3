#pragma once
// Where a flagpole's caps come from: the user's cap libraries ("Flagpole Top Caps" and
// "Flagpole Bottom Caps" in the swatch folders, one object file a cap), then the caps
// the program ships, built in code. Meshes are in pole radii with the pole's end at y = 0.

#include <string>
#include <vector>

namespace fw {

class GeometryInterface;

class FlagCaps {
public:
    // The cap of that name, or null; the mesh lives until reload().
    static const GeometryInterface* shape(bool top, const std::string& name);
    // Every cap name the libraries hold, the user's first.
    static std::vector<std::string> names(bool top);
    // Reads the user's libraries again on the next look-up (after they changed).
    static void reload();
    // Makes FlagCluster find its caps here.
    static void install();
};

}  // namespace fw
