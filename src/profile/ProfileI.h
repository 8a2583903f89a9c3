#pragma once
// A profile whose outline was imported from an outline file (named by path and
// layer) and is stored inline, edits included.

#include <string>

#include "profile/Profile.h"

namespace fw {

class ProfileI : public Profile {
public:
    static constexpr int kMaxLayer = 256;

    ProfileI(Scene& scene, const char* name);
    ~ProfileI() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ProfileI"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    // The outline being edited; call profileChanged after changing it.
    InputProfile2& outline() { return *ownOutline(); }
    // Takes the other profile's file path, layer name and outline.
    void copyFrom(ProfileI& other);

    std::string filename;
    std::string layer;
};

}  // namespace fw
