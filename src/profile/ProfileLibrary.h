#pragma once
// The program's built-in profile library: named profiles (the edge profiles of
// extrusion styles among them) read from compiled-in command-stream text, handed out
// by index and by name.

#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw {

class Profile;
class SceneX;

class ProfileLibrary : public CommandEnabler {
public:
    // The library compiled into the program, read on first use.
    static ProfileLibrary& instance();
    // The compiled-in text itself: one line per string, ending with a null pointer.
    static const char* const* builtInLines();

    // A library read from lines of "begin ProfileI" ... "end ProfileI" blocks.
    explicit ProfileLibrary(const char* const* lines);
    ~ProfileLibrary() override;

    // Writes every profile as a block; through a StringsIO this regenerates the text.
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ProfileLibrary"; }

    // Empty when every line was read; otherwise the stream's error text.
    const std::string& error() const { return error_; }
    int count() const;
    Profile* profile(int index) const;
    Profile* find(const std::string& name) const;
    // Every entry's name in index order: the edge profiles a style (and `--style`) can name.
    std::vector<std::string> names() const;
    // -1 when no profile has this name.
    int indexOf(const std::string& name) const;

    SceneX& scene() { return *scene_; }

private:
    std::unique_ptr<SceneX> scene_;
    std::string error_;
};

}  // namespace fw
