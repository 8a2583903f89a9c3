#include "platform/MediaLibraries.h"

#include <FreeImage.h>

extern "C" {
#include <libavformat/version_major.h>
#include <libavutil/macros.h>
#include <libswscale/version_major.h>
}

namespace fw {

LazyLibrary& freeImageLibrary() {
    static LazyLibrary library({"libfreeimage.so." AV_STRINGIFY(FREEIMAGE_MAJOR_VERSION), "libfreeimage.so"});
    return library;
}

LazyLibrary& avFormatLibrary() {
    static LazyLibrary library({"libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR), "libavformat.so"});
    return library;
}

LazyLibrary& swScaleLibrary() {
    static LazyLibrary library({"libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR), "libswscale.so"});
    return library;
}

}  // namespace fw
