#pragma once
// The kinds of file a frame range renders to, by document type code: their names in
// render queue records, their extensions, and how the files of a sequence are named.

#include <optional>
#include <string>

namespace fw {

class OutputType {
public:
    // Document type codes. MP4 and EXR are ours: outside the document type table, so
    // they can never collide with a type that table names.
    enum : int {
        kMOV = 3,
        kAVI = 4,
        kPSD = 5,
        kTGA = 7,
        kJPG = 8,
        kBMP = 9,
        kPNG = 10,
        kJP2 = 11,
        kTIF = 13,
        kMP4 = 40,
        kEXR = 41,
    };

    // "MOV", "PNG", ...; a code that is no output type counts as "MOV".
    static const char* nameOf(int code);
    // The code of a name as nameOf spells it; -1 for any other word.
    static int codeOf(const std::string& name);
    // ".png", ".mov", ...; ".mov" for a code that is no output type.
    static std::string extension(int code);
    // What follows the base name in a frame's file: "_0007.png" for frame 7, the
    // pattern "_0000.png" for a negative frame; a movie's is its extension alone.
    static std::string suffix(int code, int frame);
    // The code the file's extension asks for (any letter case); -1 when it is none of ours.
    static int codeForPath(const std::string& path);
    static bool isMovie(int code);

    // The file one frame is written to. `base` may carry an output extension, which is
    // dropped: shot.png, frame 7 -> shot_0007.png; with batch 2 -> shot_2_0007.png.
    // Frames before zero keep their sign within the four places: frame -3 -> shot_-003.png.
    // A movie has one file for every frame: shot.mov.
    static std::string frameFileName(const std::string& base, int code, int frame,
                                     std::optional<int> batch = std::nullopt);
};

}  // namespace fw
