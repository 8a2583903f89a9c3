#pragma once
// The batches of a title with variables: the rows of the project's variable files
// (its TextVariableFile, then each TextVariableFileBatch, numbered on from one file to
// the next), and a batch's values put into the scene's text.

#include <string>
#include <vector>

#include "text/TextVariableFile.h"

namespace fw {

class OrvoSceneManager;

class TextBatches {
public:
    // Reads the files the project names; a relative name is taken from the project's
    // folder. False with the subject (the project or a file) and what is wrong; a
    // project without a variable file is an error too.
    bool load(OrvoSceneManager& manager, const std::string& projectPath, std::string& subject, std::string& error);
    int count() const;
    // The values of batch `batch` (1-based).
    std::vector<std::u16string> values(int batch) const;
    // The first value of the batch as UTF-8, for what is said about it.
    std::string label(int batch) const;

    // Puts the values into every text block built from an editor block and builds its
    // characters anew with the style they had. The block keeps its middle where it
    // was, and a camera framed on the old text by `text` is framed on the new one.
    // Returns the characters built; -1 (with `error`) when the scene cannot take them.
    static int apply(OrvoSceneManager& manager, const std::vector<std::u16string>& values, std::string& error);

    // How a variable file is named in a project: its absolute path, so the project
    // finds it wherever it is rendered from.
    static std::string recorded(const std::string& path);

private:
    std::vector<TextVariableFile> files_;
};

}  // namespace fw
