#pragma once
// The window frames and panels. Headless there are none to lay out, but every project
// ends with its block: what a project's block holds is kept and written back as it came.

#include "app/ManagerBlocks.h"
#include "scene/KeptLines.h"

namespace fw {

class OrvoFrameManager : public ManagerBlocks {
public:
    const char* blockClass() const override { return "OrvoFrameManager"; }
    int readBlock(CommandIO& io) override { return layout_.read(io, blockClass()); }
    // Always one block, empty when no project gave it content.
    int writeBlocks(CommandIO& io) override { return layout_.writeBlock(io, blockClass()); }
    void clearBlocks() override { layout_.clear(); }

    const KeptLines& layout() const { return layout_; }

private:
    KeptLines layout_;
};

}  // namespace fw
