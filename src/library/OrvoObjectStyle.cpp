#include "library/OrvoObjectStyle.h"

#include "persistence/CommandIO.h"
#include "scene/Scene.h"

namespace fw {

int OrvoObjectStyle::itemKind() const { return kStyleKind; }

int OrvoObjectStyle::writeFields(CommandIO& io) {
    if (io.writef("Description \"%s\"\n", escapeQuotes(description()).c_str()) != 0) return -1;
    if (io.writef("UseDefaultScene %d\n", useDefaultScene ? 1 : 0) != 0) return -1;
    return io.writef("NeedsUpdate %d\n", needsUpdate ? 1 : 0);
}

}  // namespace fw
