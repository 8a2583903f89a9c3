#pragma once
// Reading and writing scene files: scene commands, written inside one "begin SceneX"
// block and read with or without it. A failed load returns no scene at all; a save
// replaces the file only when it completed.

#include <memory>
#include <string>
#include <vector>

namespace fw {

class SceneX;

class SceneFile {
public:
    struct Loaded {
        std::unique_ptr<SceneX> scene;     // null when the load failed
        std::string error;                 // why, in the stream's own words
        std::vector<std::string> warnings; // damage the load recovered from
    };

    static Loaded load(const std::string& path);
    // Marks what is in use and writes it; false with `error` set on failure.
    static bool save(SceneX& scene, const std::string& path, std::string& error);
};

}  // namespace fw
