#pragma once
// The light stored in scenes and projects: block "LightX".

#include "render/Light.h"

namespace fw {

class LightX : public Light {
public:
    LightX(Scene& scene, const char* name);
    CommandTable& commandTable() override;
    const char* className() const override { return "LightX"; }
};

}  // namespace fw
