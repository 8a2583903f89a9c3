#pragma once
// The application as the in-process app tests hold it: every class registered, the
// user's documents in a temporary folder, and alerts recorded instead of shown.
#include <gmock/gmock.h>

#include "TempDir.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/VeltraneApp.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/SceneX.h"

namespace fw::test {

class AppTest : public testing::Test {
protected:
    void SetUp() override {
        registerAllClasses();
        Folders::instance().setDocuments(dir.file("Documents"));
        Dialogs::instance().setQuiet(true);
        Dialogs::instance().clearShown();
        ASSERT_TRUE(app.initialise());
    }
    void TearDown() override { Dialogs::instance().setQuiet(false); }
    OrvoSceneManager& manager() { return app.sceneManager(); }
    SceneX& scene() { return *manager().scene(); }
    const std::vector<std::string>& shown() { return Dialogs::instance().shown(); }

    TempDir dir;
    VeltraneApp app;
};

}  // namespace fw::test
