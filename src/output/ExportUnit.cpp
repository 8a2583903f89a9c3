#include "output/ExportUnit.h"

#include <cstdio>

namespace fw {

std::string ExportUnit::label(const char* frameSuffix, const char* sectionSuffix) const {
    std::string text = name;
    char suffix[64];
    if (section >= 0 && sectionSuffix) {
        std::snprintf(suffix, sizeof suffix, sectionSuffix, section);
        text += suffix;
    }
    if (frame >= 0 && frameSuffix) {
        std::snprintf(suffix, sizeof suffix, frameSuffix, frame);
        text += suffix;
    }
    return text;
}

const ExportMaterial& ExportUnit::material(int part) const {
    static const ExportMaterial kDefault;
    if (materials.empty()) return kDefault;
    return part >= 0 && part < static_cast<int>(materials.size()) ? materials[static_cast<size_t>(part)] : materials[0];
}

std::string exportFrameFileName(const std::string& name, int frame) {
    if (frame <= 0) return name;
    std::string base = name;
    if (base.size() >= 4 && base.compare(base.size() - 4, 4, ".obj") == 0) base.resize(base.size() - 4);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%04d.obj", frame);
    return base + suffix;
}

}  // namespace fw
