#pragma once
// What the commands share about the documents they open: a headless application for
// one job, a project loaded with its problems reported, a document's kind, and the
// summary `info` and an opened project print.

#include <string>

#include "app/VeltraneApp.h"

namespace fw {

class OrvoSceneManager;
class SceneX;

// A headless application for one job: libraries installed, managers created.
struct Session {
    VeltraneApp app;
    bool ready = false;
    Session();
};

// Loads `path`, printing its warnings and, when nothing could be read, why.
bool loadProjectOrReport(OrvoSceneManager& manager, const std::string& path);

// kUnnamed: a file whose name says nothing; it is a preferences file when it holds
// preference lines, else a project.
enum class DocumentKind { kProject, kPreferences, kScene, kUnnamed };

// A document's kind comes from its name: the preferences file by its name, projects
// by their extensions, so the lines a project happens to hold never make it another
// kind. Only a file named neither is judged by what it holds: a stream whose first
// command opens a block or names the scene is a scene file.
DocumentKind documentKind(const std::string& path);

// Whether a loaded document of that kind is written as a preferences file.
bool isPreferences(DocumentKind kind, OrvoSceneManager& manager);

// The scene's name, timeline and members kind by kind, on standard output.
void printSummary(SceneX& scene);

}  // namespace fw
