#pragma once
// Brings mesh files into a project: each group the file's reader gives becomes a
// custom primitive object keeping its own mesh, wearing materials of the same names
// (made with the file's colours where the scene has none yet).

#include <string>
#include <vector>

#include "output/ImportGroup.h"

namespace fw {

class ObjectP;
class OrvoSceneManager;

class MeshImport {
public:
    // Reads the file into the loaded scene and writes the project to `out`; a fresh
    // scene gets its camera framed on the mesh. An exit status, errors printed.
    static int run(OrvoSceneManager& manager, const std::string& file, const std::string& out, bool fresh);
    // Writes the scene's project to `out` by way of a file beside it that must read
    // back first; the user's file stays as it was otherwise. An exit status.
    static int save(OrvoSceneManager& manager, const std::string& out);
    // Adds the groups to the scene as custom objects.
    static std::vector<ObjectP*> add(OrvoSceneManager& manager, std::vector<ImportGroup>& groups,
                                     const std::string& file);
};

}  // namespace fw
