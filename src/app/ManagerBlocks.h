#pragma once
// A manager whose blocks follow the scene in a project file. The scene manager hands
// it the blocks of its class while loading and asks for them, in order, when writing.

namespace fw {

class CommandIO;

class ManagerBlocks {
public:
    virtual ~ManagerBlocks() = default;
    // The class name its blocks begin with.
    virtual const char* blockClass() const = 0;
    // Called after "begin <blockClass>": reads that block through its "end" line.
    virtual int readBlock(CommandIO& io) = 0;
    // Every block it has; none when it has nothing to keep.
    virtual int writeBlocks(CommandIO& io) = 0;
    // A project read or started afresh does not inherit the last one's blocks.
    virtual void clearBlocks() = 0;
};

}  // namespace fw
