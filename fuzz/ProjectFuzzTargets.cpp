#include "ProjectFuzzTargets.h"

#include <cstdio>
#include <string>

#include "FuzzFolder.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"

namespace fw::fuzz {

namespace {

std::string writeInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzFolder() + "/in.kxp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

std::string contents(const std::string& path) {
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) __builtin_trap();
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

}  // namespace

int openProject(const uint8_t* data, size_t size) {
    const std::string in = writeInput(data, size);
    OrvoPrefs prefs;
    OrvoSceneManager manager(prefs);
    if (!manager.loadProject(in)) return 0;
    // Saving keeps what is in use, so the first save may drop members; from then on
    // a project saved, opened and saved again is the same file.
    const std::string first = fuzzFolder() + "/first.kxp", second = fuzzFolder() + "/second.kxp";
    if (!manager.writeFile(first, false)) __builtin_trap();
    if (!manager.loadProject(first)) __builtin_trap();
    if (!manager.writeFile(second, false)) __builtin_trap();
    if (contents(first) != contents(second)) __builtin_trap();
    return 0;
}

int traceProject(const uint8_t* data, size_t size) {
    const std::string in = writeInput(data, size);
    OrvoPrefs prefs;
    OrvoSceneManager manager(prefs);
    if (!manager.loadProject(in)) return 0;
    RenderJob job(manager, [](const std::string&, const std::string&) {}, in);
    if (!job.configure("8x6", std::nullopt, "raytrace")) return 0;
    RenderImage image;
    job.renderImage(manager.scene()->animGlobals().currFrame, image, in);
    return 0;
}

}  // namespace fw::fuzz
