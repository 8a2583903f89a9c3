#include "library/OrvoLightingStyle.h"

#include "persistence/CommandIO.h"

namespace fw {

int OrvoLightingStyle::writeFields(CommandIO& io) {
    return io.writef("Description \"%s\"\n", escapeQuotes(description()).c_str());
}

}  // namespace fw
