#include "app/OrvoCameraManager.h"

namespace fw {

int OrvoCameraManager::readBlock(CommandIO& io) {
    cameras_.emplace_back();
    return cameras_.back().read(io, blockClass());
}

int OrvoCameraManager::writeBlocks(CommandIO& io) {
    for (const KeptLines& camera : cameras_)
        if (camera.writeBlock(io, blockClass()) != 0) return -1;
    return 0;
}

}  // namespace fw
