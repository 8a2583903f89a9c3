#pragma once
// The application as the in-process app tests hold it: every class registered, the
// user's documents in a temporary folder, alerts recorded instead of shown; and titles built.
#include <gmock/gmock.h>

#include "TempDir.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/TitleScene.h"
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

// Builds the title, animated by the preset or chain `animate` (empty: a still title),
// into the manager's scene; a size of 0 is the project's default. The test fails when
// it cannot.
inline void buildTitle(OrvoSceneManager& manager, const std::u16string& text, const std::string& animate = "",
                       int width = 0, int height = 0) {
    TitleScene::Options options;
    options.text = text, options.animate = animate, options.width = width, options.height = height;
    std::string subject, error;
    ASSERT_TRUE(TitleScene::build(manager, options, subject, error)) << subject << ": " << error;
}

}  // namespace fw::test
