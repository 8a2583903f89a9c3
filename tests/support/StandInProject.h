#pragma once
// The badge example with blocks this program cannot read yet, hand-written: primitive and
// flag cluster objects, a track and a material only the primitive names, or manager blocks.
#include <string>

#include "TempDir.h"

namespace fw::test {

inline std::string insertBefore(std::string text, const std::string& marker, const std::string& block) {
    size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.insert(at, block);
}

// Objects follow the extruded object, before the lights; tracks end the scene.
inline std::string projectWithStandIns() {
    std::string badge = readFile(FW_SOURCE_DIR "/examples/badge.kxp");
    size_t gold = badge.find("  begin MaterialX\n   name \"Brushed Gold\"\n");
    if (gold == std::string::npos) return std::string();
    const std::string endMaterial = "  end MaterialX\n";
    size_t goldEnd = badge.find(endMaterial, gold) + endMaterial.size();
    std::string red = badge.substr(gold, goldEnd - gold);
    red.replace(red.find("Brushed Gold"), 12, "Primitive Red");
    badge.insert(goldEnd, red);
    badge = insertBefore(badge, "  begin LightX\n", readFile(FW_TEST_DATA "/standins/objects.blocks"));
    return insertBefore(badge, " end SceneX\n", readFile(FW_TEST_DATA "/standins/tracks.blocks"));
}

// The camera manager's blocks, the forces manager's and a frame manager's with content.
inline std::string projectWithManagerBlocks() {
    std::string badge = readFile(FW_SOURCE_DIR "/examples/badge.kxp");
    const std::string empty = " begin OrvoFrameManager\n end OrvoFrameManager\n";
    size_t at = badge.rfind(empty);
    if (at == std::string::npos) return std::string();
    return badge.replace(at, empty.size(), readFile(FW_TEST_DATA "/standins/managers.blocks"));
}

}  // namespace fw::test
