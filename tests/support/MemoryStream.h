#pragma once
// Test helpers that send a persistent object through a memory stream: its block as
// written text, and lines read into a member as a paste would.
#include <algorithm>
#include <string>

#include "SampleRecord.h"
#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"

namespace fw::test {

// The object's "begin ... end" block as the stream writes it (one level indented);
// `flag` is the stream's, set when members are written by their place in the list.
inline std::string writtenBlock(CommandEnabler& object, uint8_t flag = 0) {
    SampleRecord holder;
    MemoryBlock block(64);
    MemCmdIO io(&holder, flag);
    io.attachOutput(block);
    io.writeBlock(object);
    io.finish();
    std::string text(reinterpret_cast<char*>(block.lock()));
    block.unlock();
    return text.substr(0, text.find(" **EndOfStream**"));
}

// Reads `lines` into `target` until its block ends or a command fails; returns the
// last status (0 when every line was taken) and, when asked, the last diagnostic.
inline int readLines(CommandEnabler& target, const std::string& lines, std::string* diagnostic = nullptr) {
    SampleRecord holder;
    std::string text = lines + "**EndOfStream**\n";
    MemoryBlock block(text.size());
    std::copy(text.begin(), text.end(), block.lock());
    block.unlock();
    MemCmdIO io(&holder);
    io.attachInput(block);
    io.push(&target);
    int status = 0;
    while (io.hasInput() && io.depth() > 1)
        if ((status = io.processNextCommand()) != 0) break;
    if (diagnostic) *diagnostic = io.diagnostic();
    return status;
}

}  // namespace fw::test
