#include "library/OrvoCapStyle.h"

#include "scene/Scene.h"

namespace fw {

int OrvoCapStyle::itemKind() const { return kObjectKind; }

const OrvoStyleManager::Kind& OrvoCapManager::topCaps() {
    static const Kind kind{"OrvoTopCapStyle",
                           "TopCapLib",
                           ".kxo",
                           "Flagpole Top Caps",
                           "\rUnable to load Flagpole Top Cap: %s",
                           "%s- Flagpole Top Caps (%d)\r",
                           "New Cap.",
                           "topcaps",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoCapStyle(true)); }};
    return kind;
}

const OrvoStyleManager::Kind& OrvoCapManager::bottomCaps() {
    static const Kind kind{"OrvoBottomCapStyle",
                           "BottomCapLib",
                           ".kxo",
                           "Flagpole Bottom Caps",
                           "\rUnable to load Flagpole Bottom Cap: %s",
                           "%s- Flagpole Bottom Caps (%d)\r",
                           "New Cap.",
                           "bottomcaps",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoCapStyle(false)); }};
    return kind;
}

}  // namespace fw
