#pragma once
// An extruded object broken into fragment objects: each fragment a custom mesh object
// named "NAME-Frag N" (N from 1) in the object's place and parent, wearing the object's
// materials part by part (cut faces the solid material index's part). The object is
// marked as having fragments, each fragment as being one; the animation shows the
// object whole until the fragmentation's track frame and its fragments from then on.

#include <string>
#include <vector>

namespace fw {

class FragmentationParams;
class Object;
class ObjectP;
class ObjectX;
class SceneX;

class FragmentObjects {
public:
    // Breaks `source` (as it is drawn at render quality) by `params`, `outer` mixed into
    // the seeds. Returns the fragments made; none, with the reason in `error`, when the
    // object already has fragments or has no solid, or the engine left it whole.
    static std::vector<ObjectP*> make(SceneX& scene, ObjectX& source, const FragmentationParams& params, int outer,
                                      std::string& error);
    // The fragment objects of `source`, in order; those renamed or removed are left out.
    static std::vector<Object*> of(SceneX& scene, Object& source);
    static std::string name(const std::string& source, int index);
};

}  // namespace fw
