#pragma once
// The outline of one character of a text block: the glyph, scaled and placed as the
// block laid it out, stored inline in a compact form.

#include <string>

#include "profile/Profile.h"

namespace fw {

class ProfileT : public Profile {
public:
    ProfileT(Scene& scene, const char* name);
    ~ProfileT() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ProfileT"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    InputProfile2& outline() { return *ownOutline(); }
    // Takes a new outline and a new stamp, so the solids built on it rebuild.
    void setOutline(const InputProfile2& outline);
    // A glyph's outline is kept as the font gave it: the normalisation that drawn and
    // imported outlines get when their block ends would rewrite its segments' flags and
    // turn its quadratic pieces into cubics, so the block would not read back as written.
    // Only a new stamp, so the ports built on it rebuild.
    void finishReading() override { takeOutlineStamp(); }

    std::string textBlock;
    int charIndex = 0;

    // Where the compact form's lines are being read into.
    int readingContour = -1, readingSegment = -1;
};

}  // namespace fw
