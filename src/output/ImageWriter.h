#pragma once
// Writes rendered frames to image files through FreeImage, the type chosen by the
// file's extension: PNG, TGA, JPEG, TIFF, BMP, JPEG 2000, Photoshop and OpenEXR (as floats).
// Files are written beside the target and renamed into place.

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

class ImageWriter {
public:
    // RGBA, 8 bits a channel, not premultiplied, rows bottom-up.
    struct Pixels {
        int width = 0;
        int height = 0;
        const uint8_t* rgba = nullptr;
    };

    // Whether the extension (with its dot, any letter case) names a type we write.
    static bool supports(const std::string& path);
    // The extensions written, for messages and help: ".png, .tga, ... or .exr".
    static std::string extensions();
    // False with `error` set when the type is unknown or the file cannot be written.
    static bool write(const std::string& path, const Pixels& pixels, bool keepAlpha, std::string& error);
};

}  // namespace fw
