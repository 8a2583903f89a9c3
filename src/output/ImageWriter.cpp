#include "output/ImageWriter.h"

#include <FreeImage.h>

#include "platform/MediaLibraries.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace fw {

namespace {

struct ImageType {
    const char* extension;
    FREE_IMAGE_FORMAT format;
    int flags;
    bool alpha;  // the format stores an alpha channel
    bool listed = true;  // false: another spelling of a listed extension
};

const ImageType kImageTypes[] = {
    {".png", FIF_PNG, PNG_DEFAULT, true},        {".tga", FIF_TARGA, TARGA_DEFAULT, true},
    {".jpg", FIF_JPEG, JPEG_QUALITYSUPERB, false}, {".jpeg", FIF_JPEG, JPEG_QUALITYSUPERB, false, false},
    {".tif", FIF_TIFF, TIFF_LZW, true},          {".tiff", FIF_TIFF, TIFF_LZW, true, false},
    {".bmp", FIF_BMP, BMP_DEFAULT, false},       {".jp2", FIF_JP2, JP2_DEFAULT, true},
    {".psd", FIF_PSD, PSD_DEFAULT, true},       {".exr", FIF_EXR, EXR_FLOAT, true},
};

const ImageType* typeOf(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return nullptr;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const ImageType& t : kImageTypes)
        if (ext == t.extension) return &t;
    return nullptr;
}

}  // namespace

bool ImageWriter::supports(const std::string& path) { return typeOf(path) != nullptr; }

std::string ImageWriter::extensions() {
    std::vector<const char*> listed;
    for (const ImageType& t : kImageTypes)
        if (t.listed) listed.push_back(t.extension);
    std::string text;
    for (size_t i = 0; i < listed.size(); ++i)
        text += (i == 0 ? "" : i + 1 == listed.size() ? " or " : ", ") + std::string(listed[i]);
    return text;
}

bool ImageWriter::write(const std::string& path, const Pixels& pixels, bool keepAlpha, std::string& error) {
    const ImageType* type = typeOf(path);
    if (!type) {
        error = "unknown image type (use " + extensions() + ")";
        return false;
    }
    if (pixels.width <= 0 || pixels.height <= 0 || !pixels.rgba) {
        error = "there is no image to write";
        return false;
    }
    bool alpha = keepAlpha && type->alpha;
    FIBITMAP* bitmap = nullptr;
    if (type->format == FIF_EXR) {
        bitmap = FreeImage_AllocateT(alpha ? FIT_RGBAF : FIT_RGBF, pixels.width, pixels.height, 8, 0, 0, 0);
        int channels = alpha ? 4 : 3;
        for (int y = 0; y < pixels.height && bitmap; ++y) {
            auto* row = reinterpret_cast<float*>(FreeImage_GetScanLine(bitmap, y));
            const uint8_t* src = pixels.rgba + static_cast<size_t>(y) * pixels.width * 4;
            for (int x = 0; x < pixels.width; ++x)
                for (int c = 0; c < channels; ++c) row[x * channels + c] = src[x * 4 + c] / 255.0f;
        }
    } else {
        bitmap = FreeImage_Allocate(pixels.width, pixels.height, alpha ? 32 : 24, 0, 0, 0);
        int bytes = alpha ? 4 : 3;
        for (int y = 0; y < pixels.height && bitmap; ++y) {
            BYTE* row = FreeImage_GetScanLine(bitmap, y);
            const uint8_t* src = pixels.rgba + static_cast<size_t>(y) * pixels.width * 4;
            for (int x = 0; x < pixels.width; ++x) {
                row[x * bytes + FI_RGBA_RED] = src[x * 4];
                row[x * bytes + FI_RGBA_GREEN] = src[x * 4 + 1];
                row[x * bytes + FI_RGBA_BLUE] = src[x * 4 + 2];
                if (alpha) row[x * bytes + FI_RGBA_ALPHA] = src[x * 4 + 3];
            }
        }
    }
    if (!bitmap) {
        error = "out of memory for the image";
        return false;
    }
    // Beside the target first, so a failed write never leaves half a picture behind.
    std::string temporary = path + ".writing-" + std::to_string(getpid()) + type->extension;
    bool ok = FreeImage_Save(type->format, bitmap, temporary.c_str(), type->flags) != 0;
    FreeImage_Unload(bitmap);
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot be written (check the folder and its permissions)";
    }
    return ok;
}

}  // namespace fw
