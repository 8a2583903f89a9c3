#pragma once
// The real program as the app tests run it: each run with a library folder of its own in
// the test's folder, on projects that are examples or hand-made texts with lines changed.
#include <gmock/gmock.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "FilesAndImages.h"
#include "RunProgram.h"
#include "TempDir.h"

namespace fw::test {

// `prefix` goes before the program on the shell line (a time limit, a memory cap).
inline Outcome formwright(const TempDir& dir, const std::string& arguments, const std::string& prefix = "") {
    return runProgram(prefix + FW_EXECUTABLE, "--library-folder '" + dir.file("lib") + "' " + arguments,
                      dir.path().string());
}

inline std::string example(const std::string& name) { return FW_SOURCE_DIR "/examples/" + name; }

// `text` with each `from` replaced by its `to`; a `from` the text lacks fails the test.
inline std::string edited(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
    for (const auto& [from, to] : edits) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

// `text` saved as NAME.kxp and rendered to NAME.png with `arguments`: the picture (RGBA
// when `alpha`), empty when the run failed; what the run said goes to `err` when given.
inline ::test::Pixels rendered(const TempDir& dir, const std::string& name, const std::string& text,
                               const std::string& arguments = "", std::string* err = nullptr, bool alpha = false) {
    const std::string project = dir.file(name + ".kxp"), out = dir.file(name + ".png");
    writeFile(project, text);
    std::remove(out.c_str());
    Outcome r = formwright(dir, "render '" + project + "' " + arguments + " -o '" + out + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    if (err) *err = r.err;
    return ::test::readImage(out, alpha);
}

}  // namespace fw::test
