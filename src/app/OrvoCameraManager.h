#pragma once
// The cameras of the scene as the views remember them: a project holds one block of
// the camera manager per camera, kept and written back in their order.

#include <vector>

#include "app/ManagerBlocks.h"
#include "scene/KeptLines.h"

namespace fw {

class OrvoCameraManager : public ManagerBlocks {
public:
    const char* blockClass() const override { return "OrvoCameraManager"; }
    int readBlock(CommandIO& io) override;
    int writeBlocks(CommandIO& io) override;
    void clearBlocks() override { cameras_.clear(); }

    int cameraCount() const { return static_cast<int>(cameras_.size()); }
    const KeptLines& camera(int index) const { return cameras_[static_cast<size_t>(index)]; }

private:
    std::vector<KeptLines> cameras_;
};

}  // namespace fw
