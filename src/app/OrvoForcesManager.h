#pragma once
// Forces acting on simulations. A project holds the forces manager's block only when
// there is one; that block is kept and written back as it came.

#include "app/ManagerBlocks.h"
#include "scene/KeptLines.h"

namespace fw {

class OrvoForcesManager : public ManagerBlocks {
public:
    const char* blockClass() const override { return "OrvoForcesManager"; }
    int readBlock(CommandIO& io) override {
        present_ = true;
        return forces_.read(io, blockClass());
    }
    int writeBlocks(CommandIO& io) override { return present_ ? forces_.writeBlock(io, blockClass()) : 0; }
    void clearBlocks() override {
        forces_.clear();
        present_ = false;
    }

    bool present() const { return present_; }
    const KeptLines& forces() const { return forces_; }

private:
    KeptLines forces_;
    bool present_ = false;  // an empty block read is still a block to write
};

}  // namespace fw
