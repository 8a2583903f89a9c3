#pragma once
// A real bevelled title built as the `text` command builds it, as the export units the
// `export` command gathers for a mesh writer: one per letter object, with transform and looks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "app/MeshExport.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/TitleScene.h"
#include "app/VeltraneApp.h"
#include "output/ExportUnit.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace fw::test {

class TitleSolids {
public:
    explicit TitleSolids(const char16_t* text) {
        registerAllClasses();
        Folders::instance().setDocuments(dir.file("Documents"));
        Dialogs::instance().setQuiet(true);
        app.initialise();
        TitleScene::Options options;
        options.text = text;
        std::string subject, error;
        built = TitleScene::build(app.sceneManager(), options, subject, error);
        EXPECT_TRUE(built) << subject << ": " << error;
        if (built) units = MeshExport::gather(*app.sceneManager().scene(), false);
        Dialogs::instance().setQuiet(false);
    }

    TempDir dir;
    VeltraneApp app;
    bool built = false;
    std::vector<ExportUnit> units;
};

}  // namespace fw::test
