#include "anim/RecordLines.h"

#include "anim/AnimTrackSegment.h"
#include "platform/Dialogs.h"

namespace fw {

int readAnimVersion(CommandIO& io, int& major, int& minor) {
    double value;
    if (io.readDouble(value) != 0) return -1;
    if (!acceptAnimVersion(value, major, minor)) {
        Dialogs::instance().alert(kIncompatibleAnimation);
        return -1;
    }
    return 0;
}

}  // namespace fw
