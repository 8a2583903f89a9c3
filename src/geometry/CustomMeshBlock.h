#pragma once
// The stored form of a primitive object's own mesh: a nested "ObjDB" block holding
// the mesh as OBJ lines (positions, texture coordinates, normals, a "usemtl" line
// naming the part where it changes, a smoothing line, the elements, then counts as
// comments). Reading takes the block's raw lines and parses them as OBJ text.

#include "persistence/CommandEnabler.h"

namespace fw {

class ObjDB;
class ObjectP;

class CustomMeshBlock : public CommandEnabler {
public:
    static constexpr const char* kClassName = "ObjDB";

    explicit CustomMeshBlock(const ObjDB& mesh) : mesh_(mesh) {}

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return kClassName; }

    // Called right after "begin ObjDB": takes the block up to its "end" line into the
    // object's custom mesh. -1 when the block does not close or its lines are not OBJ.
    static int read(CommandIO& io, ObjectP& object);
    // The "usemtl" name of a part, and the part such a name stands for (-1: none).
    static std::string partName(int part);
    static int partFromName(const std::string& name);

private:
    const ObjDB& mesh_;
};

}  // namespace fw
