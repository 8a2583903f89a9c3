#pragma once
// Where the program's files live: the user's documents folder (libraries and
// preferences below it), the shared data folder with the factory libraries, and
// the folder operations that installing libraries needs.

#include <cstddef>
#include <string>

namespace fw {

// The longest path the stored files hold (the desktop system's limit, kept so that
// files written here still open there).
inline constexpr size_t kMaxPath = 260;

class Folders {
public:
    static Folders& instance();

    // $HOME/Documents unless pointed elsewhere (tests, --library-folder).
    std::string documents() const;
    void setDocuments(const std::string& folder) { documents_ = folder; }
    // data/ next to the installed program (or above it, in a build tree).
    std::string sharedData() const;
    void setSharedData(const std::string& folder) { sharedData_ = folder; }
    // The running program's own path.
    static std::string programPath();

    // Creates the folder and its parents; true when it exists afterwards.
    static bool ensureFolder(const std::string& folder);
    // Creates, writes and removes a probe file.
    static bool isWritable(const std::string& folder);
    // Copies every plain file of `from` into `to` (created); false if a copy failed.
    static bool copyFiles(const std::string& from, const std::string& to);
    // Replaces the files of `to` that `from` holds a newer copy of; files missing from
    // `to` stay missing (the user removed them).
    static bool refreshFiles(const std::string& from, const std::string& to);
    static bool removeTree(const std::string& folder);
    static bool exists(const std::string& path);
    // A file's extension in lower case (".kxp" for "A.KXP"): names are matched whatever
    // their letter case.
    static std::string lowerExtension(const std::string& path);
    // True when the path exists and is something other than a plain file (through
    // links): a folder, pipe or device is never read as a document, since reading
    // one hangs or never ends.
    static bool isSpecialFile(const std::string& path);
    // True when the path names a plain file (through links).
    static bool isRegularFile(const std::string& path);
    // The permission bits a file written beside `path` and renamed over it takes: those
    // of the file it replaces, else the usual ones under the umask.
    static unsigned replacementMode(const std::string& path);

private:
    std::string documents_;
    std::string sharedData_;
};

}  // namespace fw
