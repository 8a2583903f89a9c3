#pragma once
// Breaks a packed solid into fragments by the chop passes of a FragmentationParams:
// each pass cuts every piece of the one before with a family of planes. Solids are
// closed at every cut, so each fragment of a closed solid is a closed solid too.

#include <glm/mat4x4.hpp>
#include <memory>
#include <string>
#include <vector>

#include "mesh/PackedObjDB.h"

namespace fw {

class FragmentationParams;

class Fragmenter {
public:
    // No object breaks into more pieces than this; cuts past it are left out.
    static constexpr int kMaxFragments = 4096;
    // Slice counts beyond this are held to it.
    static constexpr int kMaxSlicesPerPass = 512;
    // A cut is left out for a plane when a piece on either side would hold less than this
    // share of the whole's volume, or reach less than kThinShare of the whole's size past it.
    static constexpr double kTinyShare = 1e-6;
    static constexpr double kThinShare = 1e-4;
    // Cut points closer than this (object units, at most a thousandth of the object) are welded.
    static constexpr double kWeldDistance = 0.001;

    struct Result {
        int fragments = 0;               // appended to the list
        int cuts = 0;                    // planes that cut a piece
        int refusedCuts = 0;             // planes left out (tiny or thin pieces, caps that failed, the count limit)
        std::vector<std::string> notes;  // parameters that were clamped, and why
    };

    // Appends the fragments of `mesh` (object coordinates) to `out`, each a finished
    // packed mesh in the same coordinates. `transform` places the object in the world
    // (the "Global" frame); `outer` is the caller's index of the object, mixed into the
    // seeds so that letters of one title break differently. Every fragment keeps its
    // surface's parts, texture coordinates and normals; cut faces wear part
    // solidMaterialIndex. Non-polygon elements are left out.
    static Result fragment(const FragmentationParams& params, const PackedObjDB& mesh, const glm::dmat4& transform,
                           int outer, std::vector<std::unique_ptr<PackedObjDB>>& out);
};

}  // namespace fw
