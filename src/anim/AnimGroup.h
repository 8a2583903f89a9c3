#pragma once
// A named set of objects that a segment animates as one element (hard) or keeps
// together loosely (soft).

#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "scene/NameReference.h"

namespace fw {

class Scene;

class AnimGroup : public CommandEnabler {
public:
    enum Type { kSoft = 0, kHard = 1 };

    explicit AnimGroup(Scene& scene);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimGroup"; }

    Scene& scene() const { return *scene_; }

    NameReference groupName;
    int groupType = kSoft;
    bool autoGroup = false;
    std::vector<NameReference> objects;

private:
    Scene* scene_;
};

}  // namespace fw
