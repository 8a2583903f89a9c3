#pragma once
// The per-pixel lighting program: one vertex and one fragment program, compiled and
// linked once per context, with its samplers bound to fixed texture units.

#include <string>

namespace fw {

class LightingProgram {
public:
    enum Unit {
        kColorUnit = 0,
        kSpecularUnit = 1,
        kBumpUnit = 2,
        kReflectionUnit = 3,
        kShadowUnit = 4,
        kColorUnit2 = 5,
        kSpecularUnit2 = 6,
        kBumpUnit2 = 7,
        kReflectionUnit2 = 8,
    };
    static const char* const kVertexText;
    static const char* const kFragmentText;

    // Compiles and links; false with the compiler's or linker's log in `error`.
    bool build(std::string& error, const char* vertexText = kVertexText, const char* fragmentText = kFragmentText);
    void release();
    unsigned id() const { return program_; }
    // -1 when the program has no such uniform (an unused one is optimised away).
    int uniform(const char* name) const;

private:
    unsigned program_ = 0;
};

}  // namespace fw
