#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "app/SceneFile.h"
#include "scene/AnimGlobals.h"
#include "scene/DAGNode.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"

namespace fw {

const char* versionText() { return "formwright " FW_VERSION; }

namespace {

void printError(const std::string& subject, const std::string& what) {
    if (subject.empty())
        std::fprintf(stderr, "formwright: %s\n", what.c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", subject.c_str(), what.c_str());
}

// Loads a scene file, reporting warnings and failure as the command line does.
SceneFile::Loaded loadOrReport(const std::string& path) {
    SceneFile::Loaded loaded = SceneFile::load(path);
    for (const std::string& warning : loaded.warnings) printError(path, warning);
    if (!loaded.scene) printError(path, loaded.error);
    return loaded;
}

int resave(const std::string& in, const std::string& out) {
    SceneFile::Loaded loaded = loadOrReport(in);
    if (!loaded.scene) return kExitUserError;
    std::string error;
    if (!SceneFile::save(*loaded.scene, out, error)) {
        printError(out, error);
        return kExitUserError;
    }
    return kExitOk;
}

const char* kindName(int kind) {
    switch (kind) {
        case kObjectKind: return "objects";
        case kStyleKind: return "styles";
        case kLightKind: return "lights";
        case kCameraKind: return "cameras";
        case kGroupKind: return "groups";
        case kImageMapKind: return "image maps";
        case kImageFileKind: return "image files";
        case kMaterialKind: return "materials";
        case kProfileKind: return "profiles";
        case kAnimTrackKind: return "animation tracks";
        case kTextBlockKind: return "text blocks";
        default: return nullptr;
    }
}

int info(const std::string& path) {
    SceneFile::Loaded loaded = loadOrReport(path);
    if (!loaded.scene) return kExitUserError;
    SceneX& scene = *loaded.scene;
    std::printf("scene \"%s\"\n", scene.name().c_str());
    const AnimGlobals& g = scene.animGlobals();
    std::printf("frames %d to %d at %g frames per second, current frame %g\n", g.frameStart, g.frameEnd,
                static_cast<double>(g.framesPerSecond), g.currFrame);
    for (int kind = 0; kind < kMemberKinds; ++kind) {
        const char* label = kindName(kind);
        if (!label || scene.memberCount(kind) == 0) continue;
        std::printf("%s: %d\n", label, scene.memberCount(kind));
        for (int i = 0; i < scene.memberCount(kind); ++i) {
            SceneMember* m = scene.member(kind, i);
            std::printf("  %s \"%s\"", m->className(), m->name().c_str());
            if (auto* node = dynamic_cast<DAGNode*>(m)) std::printf(" below \"%s\"", node->parentName().c_str());
            std::printf("\n");
        }
    }
    return kExitOk;
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Formwright: 3D titles and logos from fonts and outlines, rendered headless.",
                 "formwright"};
    app.set_version_flag("--version", std::string(versionText()));
    app.require_subcommand(0, 1);

    std::string resaveIn, resaveOut;
    CLI::App* resaveCommand =
        app.add_subcommand("resave", "Load a command-stream file and write it back (atomically).");
    resaveCommand->add_option("IN", resaveIn, "file to load")->required();
    resaveCommand->add_option("OUT", resaveOut, "file to write")->required();

    std::string infoPath;
    CLI::App* infoCommand = app.add_subcommand("info", "Tell what a file holds.");
    infoCommand->add_option("FILE", infoPath, "file to describe")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", versionText());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        printError("", e.what());
        std::fprintf(stderr, "Run 'formwright --help' for usage.\n");
        return kExitUserError;
    }
    if (resaveCommand->parsed()) return resave(resaveIn, resaveOut);
    if (infoCommand->parsed()) return info(infoPath);
    if (argc <= 1) std::fputs(app.help().c_str(), stdout);
    return kExitOk;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    try {
        registerSceneClasses();
        return parseAndRun(argc, argv);
    } catch (const std::bad_alloc&) {
        printError("", "out of memory");
    } catch (const std::exception& e) {
        printError("", std::string("internal error: ") + e.what());
    } catch (...) {
        printError("", "internal error");
    }
    return kExitInternal;
}

}  // namespace fw
