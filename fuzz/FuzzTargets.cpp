#include "FuzzTargets.h"

#include <cstdio>
#include <string>

#include "FuzzFolder.h"
#include "SampleRecord.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "persistence/AFileIO.h"
#include "persistence/MemCmdIO.h"
#include "persistence/TerminalIO.h"
#include "platform/MemoryBlock.h"
#include "scene/MemberFactory.h"
#include "scene/Object.h"
#include "scene/SceneX.h"

namespace fw::fuzz {

namespace {

// Loads the way every loader does, then writes the result back, which must not fail.
void load(CommandIO& io) { io.readAll(); }

void writeBack(test::SampleRecord& root) {
    MemoryBlock block(64);
    MemCmdIO out(&root);
    out.attachOutput(block);
    if (root.writeCommands(out) != 0 || out.finish() != 0) __builtin_trap();
}

}  // namespace

int readThroughAFileIO(const uint8_t* data, size_t size) {
    static const std::string path = fuzzFolder() + "/afileio";
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

// A scene block's contents read straight into a scene, then written back.
int readThroughScene(const uint8_t* data, size_t size) {
    static const std::string path = fuzzFolder() + "/scene";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    SceneX scene;
    {
        AFileIO io(&scene);
        if (io.openInput(path) != 0) return 0;
        load(io);
    }
    scene.postLoad();
    // Outlines read from the stream are built into solids too, at preview quality.
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
        if (auto* object = dynamic_cast<Object*>(scene.member(kObjectKind, i))) object->displayGeometry(kPreviewMode);
    scene.markMembersInUse();
    MemoryBlock block(64);
    MemCmdIO out(&scene);
    out.attachOutput(block);
    if (scene.writeCommands(out) != 0 || out.finish() != 0) __builtin_trap();
    return 0;
}

// A library file read by its kind's manager, then written back.
int readLibraryFile(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string in = fuzzFolder() + "/library";
    static const std::string out = in + ".out";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
    const OrvoStyleManager::Kind* kinds[] = {&OrvoMaterialManager::materials(), &OrvoLightManager::lights(),
                                             &OrvoObjectStyleManager::objectStyles(),
                                             &OrvoLightingStyleManager::lightingStyles()};
    OrvoStyleManager manager(*kinds[data[0] % 4]);
    manager.setTextOnly(data[0] & 4);
    manager.readLibrary(in);
    for (int i = 0; i < manager.presetCount(); ++i) manager.preset(i).thumbnail(-1, -1);
    std::string error;
    manager.writeLibrary(out, error);
    return 0;
}

}  // namespace fw::fuzz
