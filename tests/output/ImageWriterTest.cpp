// Rendered frames written to every image type and read back through FreeImage.
#include "output/ImageWriter.h"

#include <FreeImage.h>

#include "AppHelpers.h"

namespace fw {

// Every type reads back with its rows bottom up; unknown types, unwritable folders and empty frames are errors.
TEST(ImageWriter, EveryTypeReadsBackWithRowsBottomUpAndOtherRequestsAreErrors) {
    constexpr int kW = 64, kH = 32;
    // Quadrants: bottom left red, bottom right green, top left blue, top right white; the right half at alpha 128.
    // (JPEG 2000 wants more than a handful of pixels.)
    std::vector<uint8_t> pixels(kW * kH * 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* px = &pixels[(y * kW + x) * 4];
            bool left = x < kW / 2, bottom = y < kH / 2;
            px[0] = (bottom && left) || (!bottom && !left) ? 255 : 0;
            px[1] = !left ? 255 : 0;
            px[2] = !bottom ? 255 : 0;
            px[3] = left ? 255 : 128;
        }
    test::TempDir dir;
    std::string error;
    for (const char* ext : {".png", ".tga", ".tif", ".bmp", ".jpg", ".jp2", ".psd", ".exr", ".PNG"}) {
        std::string path = dir.file(std::string("frame") + ext);
        ASSERT_TRUE(ImageWriter::write(path, {kW, kH, pixels.data()}, true, error)) << ext << ": " << error;
        FIBITMAP* read = FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str());
        ASSERT_NE(read, nullptr) << ext;
        EXPECT_EQ(std::pair(FreeImage_GetWidth(read), FreeImage_GetHeight(read)), std::pair(kW + 0u, kH + 0u));
        bool lossy = std::string(ext) == ".jpg" || std::string(ext) == ".jp2";
        if (FreeImage_GetImageType(read) == FIT_BITMAP && !lossy) {
            FIBITMAP* rgba = FreeImage_ConvertTo32Bits(read);
            BYTE* bottom = FreeImage_GetScanLine(rgba, 0);
            BYTE* top = FreeImage_GetScanLine(rgba, kH - 1);
            // Red at the bottom left, blue at the top left, white at the top right; alpha kept but by BMP.
            const int right = (kW - 1) * 4, alpha = std::string(ext) != ".bmp" ? 128 : 255;
            EXPECT_EQ(std::vector<int>({bottom[FI_RGBA_RED], bottom[FI_RGBA_GREEN], top[FI_RGBA_BLUE],
                                        top[right + FI_RGBA_GREEN], bottom[right + FI_RGBA_ALPHA]}),
                      (std::vector<int>{255, 0, 255, 255, alpha})) << ext;
            FreeImage_Unload(rgba);
        }
        if (FreeImage_GetImageType(read) == FIT_RGBAF) {
            auto* row = reinterpret_cast<FIRGBAF*>(FreeImage_GetScanLine(read, 0));
            EXPECT_FLOAT_EQ(row[0].red, 1.0f);
            EXPECT_NEAR(row[kW - 1].alpha, 128 / 255.0f, 1e-6);
        }
        FreeImage_Unload(read);
    }
    EXPECT_EQ(test::filesIn(dir.path()).size(), 9u);  // and no file a write left half done
    EXPECT_FALSE(ImageWriter::supports("frame.gif"));
    EXPECT_FALSE(ImageWriter::write("frame.gif", {kW, kH, pixels.data()}, true, error));
    EXPECT_EQ(error, "unknown image type (use .png, .tga, .jpg, .tif, .bmp, .jp2, .psd or .exr)");
    EXPECT_FALSE(ImageWriter::write("/no/such/folder/frame.png", {kW, kH, pixels.data()}, true, error));
    EXPECT_EQ(error, "cannot be written (check the folder and its permissions)");
    EXPECT_FALSE(ImageWriter::write("frame.png", {0, kH, pixels.data()}, true, error));
}

}  // namespace fw
