#pragma once
// The camera stored in scenes and projects: block "CameraX".

#include "render/Camera.h"

namespace fw {

class CameraX : public Camera {
public:
    CameraX(Scene& scene, const char* name);
    CommandTable& commandTable() override;
    const char* className() const override { return "CameraX"; }
};

}  // namespace fw
