#pragma once
// The solids of an OBJ file that `import` wrote, read back with the program's reader.

#include <gtest/gtest.h>

#include "SolidCheck.h"
#include "output/ImportGroup.h"
#include "output/ObjImport.h"

namespace fw::test {

// Each object of the file checked closed and sound: every edge used once each way, no
// degenerate triangle, positive volume. Their volumes, in file order.
inline std::vector<double> closedSolidVolumes(const std::string& obj) {
    std::vector<ImportGroup> groups;
    ObjImport reader;
    EXPECT_TRUE(reader.read(obj, groups)) << obj << ": " << reader.error();
    std::vector<double> volumes;
    for (const ImportGroup& group : groups) {
        SCOPED_TRACE(obj + ": " + group.name);
        SolidCheck solid = checkSolid(*group.mesh);
        EXPECT_EQ(solid.openEdges + solid.overusedEdges + solid.flippedEdges + solid.degenerate, 0) << solid.summary();
        EXPECT_GT(solid.volume, 0);
        volumes.push_back(solid.volume);
    }
    return volumes;
}

}  // namespace fw::test
