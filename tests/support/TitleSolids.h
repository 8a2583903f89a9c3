#pragma once
// A real bevelled title built as the `text` command builds it, as the export units the
// `export` command gathers for a mesh writer: one per letter object, with transform and looks.
#include <vector>

#include "AppFixture.h"
#include "app/MeshExport.h"
#include "output/ExportUnit.h"

namespace fw::test {

class TitleSolids {
public:
    explicit TitleSolids(const char16_t* text) {
        registerAllClasses();
        Folders::instance().setDocuments(dir.file("Documents"));
        Dialogs::instance().setQuiet(true);
        app.initialise();
        buildTitle(app.sceneManager(), text);
        units = MeshExport::gather(*app.sceneManager().scene(), false);
        Dialogs::instance().setQuiet(false);
    }

    TempDir dir;
    VeltraneApp app;
    std::vector<ExportUnit> units;
};

}  // namespace fw::test
