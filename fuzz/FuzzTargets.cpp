#include "FuzzTargets.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "SampleRecord.h"
#include "persistence/AFileIO.h"
#include "persistence/MemCmdIO.h"
#include "persistence/TerminalIO.h"
#include "platform/MemoryBlock.h"

namespace fw::fuzz {

namespace {

// Loads the way every loader does, then writes the result back, which must not fail.
void load(CommandIO& io) {
    while (io.hasInput() && io.processNextCommand() == 0) {
    }
}

void writeBack(test::SampleRecord& root) {
    MemoryBlock block(64);
    MemCmdIO out(&root);
    out.attachOutput(block);
    if (root.writeCommands(out) != 0 || out.finish() != 0) __builtin_trap();
}

}  // namespace

int readThroughAFileIO(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fw-fuzz-afileio-" + std::to_string(getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    test::SampleRecord root;
    {
        AFileIO io(&root);
        if (io.openInput(path) != 0) return 0;
        load(io);
    }
    writeBack(root);
    return 0;
}

int readThroughMemCmdIO(const uint8_t* data, size_t size) {
    MemoryBlock block(size);
    uint8_t* p = block.lock();
    if (size) std::copy(data, data + size, p);
    block.unlock();
    test::SampleRecord root;
    {
        MemCmdIO io(&root);
        io.attachInput(block);
        load(io);
    }
    writeBack(root);
    return 0;
}

int readThroughTerminalIO(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!in) return 0;
    test::SampleRecord root;
    {
        TerminalIO io(&root);
        io.setInput(in);
        load(io);
    }
    std::fclose(in);
    writeBack(root);
    return 0;
}

}  // namespace fw::fuzz
