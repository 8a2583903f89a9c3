#pragma once
// A piece of styled text in the scene: characters with their runs' attributes and the
// fonts they use, laid out line by line, and built into one outline (ProfileT) and one
// extruded object (ObjectX) per character.

#include <memory>
#include <string>
#include <vector>

#include "scene/SceneMember.h"
#include "text/TextAttr.h"
#include "text/TextChar.h"

namespace fw {

class InputProfile2;
class ObjectX;

namespace veltrane {
class Font;
}

class TextBlock : public SceneMember {
public:
    TextBlock(Scene& scene, const char* name);
    ~TextBlock() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "TextBlock"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    // Inserts a character; equal neighbouring attributes are shared, and a differently
    // styled character inside a run splits it (the rest gets its own equal attribute).
    void insertChar(int position, int code, const TextAttr& attribute);
    void appendText(const std::u16string& text, const TextAttr& attribute);
    // Rebuilds this (object) block from `editor`, replacing variables <<n>> by the
    // n-th value. Hands back the last variable's text with its markers. The two blocks
    // name each other, and each copied character names its counterpart by OrigIndex;
    // editor characters a variable used up are marked consumed.
    std::string resolveVariables(TextBlock& editor, const std::vector<std::u16string>& values);
    // The scene name of the object built for a character.
    std::string characterName(int index) const;
    // The object built for each character, by character index (null where none is): found
    // by the outline that names its character, since repeated letters share a name.
    std::vector<ObjectX*> builtObjects() const;

    // Lays the characters out as the text editor would: advances, tracking, line
    // breaks, alignment and baselines, from the fonts' own metrics.
    void layout();
    // Builds one ProfileT and one ObjectX (with `style`) per character; returns how
    // many objects were made. Missing glyphs get placeholder outlines.
    int build(const std::string& style);
    // Lays the block out again when its stored positions, advances or scales are not
    // what its attributes give (a project edited by hand, or written by another
    // version); the fonts must be at hand to judge. True when it re-laid out.
    bool relayoutIfStale();
    // Re-places the outlines and objects already built for the characters (a character
    // whose outline was deleted stays without); returns how many were placed.
    int rebuildCharacters();
    // A loaded block whose characters were built with other attributes is re-laid out
    // and its characters rebuilt, so the project shows what its attributes say.
    void postLoad() override;

    // The alignment offset of the whole block: left or right aligned blocks move by
    // half their width, so -offset puts the laid-out lines' middle on the origin.
    double alignmentOffset() const;

    // The font an attribute names, loaded on first use (null when none can be found).
    veltrane::Font* fontFor(const TextAttr& attribute);

    std::string officialName;
    std::string editorTextBlock, objectTextBlock;
    int maxWidth = 0;
    double topBaseline = 0;
    bool lockTopBaseline = false;
    double origin[3] = {0, 0, 0};
    std::vector<std::unique_ptr<TextChar>> chars;
    std::vector<std::unique_ptr<TextAttr>> attrs;
    std::vector<std::unique_ptr<veltrane::Font>> fonts;
    std::vector<int> lineCharStart;
    bool uniCode = true;
    bool centerTextBlock = false;
    double firstCharOffset[3] = {0, 0, 0}, lastCenterOffset[3] = {0, 0, 0};
    bool createWhitespaces = false;
    bool hasVariables = false;
    bool isLinked = false;
    bool hasPlaceholder = false;
    // Set once per build when a printable character had no glyph.
    bool reportedMissing = false;

private:
    int attributeIndex(const TextAttr& attribute);
    const TextAttr& attributeOf(const TextChar& c) const;
    // The outline of character i placed as laid out, with what was applied kept in the
    // character; `pivot` gets the middle of its advance on the baseline.
    InputProfile2 placeCharacter(size_t i, double alignment, double pivot[2]);
    // Missing characters beyond the printable ASCII range, named in one alert per build.
    void reportMissingOutside();
    std::vector<int> missingOutside_;
};

}  // namespace fw
