#pragma once
// A profile whose outline is an entry of the program's profile library, chosen by
// index; only the index is stored.

#include "profile/Profile.h"

namespace fw {

class ProfileL : public Profile {
public:
    ProfileL(Scene& scene, const char* name);
    ~ProfileL() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ProfileL"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    int libraryIndex() const { return libIdx_; }
    void setLibraryIndex(int index);
    // Copies the outline of library entry libraryIndex; false when there is none.
    bool load();

private:
    int libIdx_ = 0;
};

}  // namespace fw
