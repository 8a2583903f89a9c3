#pragma once
// Words or character ranges of a scene's text, and dressing the objects built for them
// in a material of their own: a title whose second word is chrome.

#include <string>
#include <vector>

namespace fw {

class SceneX;

// 1-based, both ends included: "2" is the second word, "2-3" the second and third,
// "c5-9" characters 5 to 9 counting every character typed, spaces and line breaks
// included. Words and characters run on over the scene's text blocks in order.
struct TextRange {
    bool characters = false;
    int first = 1, last = 1;
    // False when `text` is none of those forms.
    static bool parse(const std::string& text, TextRange& range);
    std::string describe() const;  // "word 2", "characters 5 to 9"
};

class TextRanges {
public:
    // The objects built for the characters `range` picks; empty when the text has no
    // such words or characters.
    static std::vector<std::string> objects(SceneX& scene, const TextRange& range);
    // Dresses the objects in `material`, each through a copy of its style named after
    // `label`, so the rest of the title keeps its own.
    static void dress(SceneX& scene, const std::vector<std::string>& objects, const std::string& material,
                      const std::string& label);
    // The material the first of the objects wears on its face, or empty.
    static std::string faceMaterial(SceneX& scene, const std::vector<std::string>& objects);
};

}  // namespace fw
