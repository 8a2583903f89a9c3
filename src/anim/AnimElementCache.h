#pragma once
// One animated element of a segment: what it is (a letter, word, line or block of a
// text, an object, a fragment, a camera or a light) and the transform it started from.

#include <string>
#include <utility>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "scene/KeptLines.h"
#include "scene/NameReference.h"

namespace fw {

class Scene;

class AnimElementCache : public CommandEnabler {
public:
    enum GroupType { kSoft = 0, kHard = 1 };
    enum TextGranularity { kBlock, kParagraph, kLine, kWord, kCharacter };
    enum FragmentGranularity { kByObject, kByFragment };

    // A member named in the cache, by counted name, or by its position in its
    // scene list when the file wrote a number.
    struct MemberRef {
        NameReference name;
        int index = -1;
    };

    explicit AnimElementCache(Scene& scene);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimElementCache"; }

    Scene& scene() const { return *scene_; }
    // The member the cache animates (object, camera or light), or null.
    class SceneMember* element();

    bool isInherited = false;
    bool isAnimated = true;
    int groupType = kSoft;
    int animateBy = kCharacter;
    int animateFragmentsBy = kByObject;
    NameReference group;
    MemberRef object, camera, light, parent;
    double startTranslate[3] = {0, 0, 0};
    double startRotate[3] = {0, 0, 0};
    std::string startRotateOrder = "xyz";
    double startScale[3] = {1, 1, 1};
    double startOrigin[3] = {0, 0, 0};
    double tweakTranslate[3] = {0, 0, 0};
    double tweakRotate[3] = {0, 0, 0};
    double tweakScale[3] = {1, 1, 1};
    double tweakOrigin[3] = {0, 0, 0};
    // Position (3), target (3), roll, field of view, near and far clipping.
    double cameraCache[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool tweakCameraCacheUsed = false;
    double tweakCameraCache[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool reverseArch = false;
    // Blocks found inside the cache, kept as they came (class name and lines).
    std::vector<std::pair<std::string, KeptLines>> children;

private:
    Scene* scene_;
};

}  // namespace fw
