#pragma once
// The user's preferences: user-wide values written by the scene manager's writer in
// preferences mode, the list of recent projects and the text attributes the user saved.

#include <memory>
#include <string>
#include <vector>

#include "text/TextAttr.h"

namespace fw {

class OrvoPrefs {
public:
    static constexpr size_t kMaxRecent = 10;

    // Puts a project at the top of the recent list (paths longer than 260 are not kept).
    void addRecentProject(const std::string& path);

    double hardShadingAngle = 30.0;  // degrees
    int defaultGroup = 0;
    int shadowQuality = 1;
    double duplicationOffset[3] = {0.5, -0.5, 0.0};
    int groundPlane[2] = {0, 0};
    int shaderTextureWidth = 512;
    int shaderTextureHeight = 512;
    int numberUndos = 20;
    int advancedGLLighting = 1;
    int showTexturesSetup = 1;
    double glslShadowOffset = 0.002;
    int draftGLShaders = 1;
    int draftGLShaderShadows = 0;
    int finalGLShaders = 1;
    int finalGLShaderShadows = 1;
    int saveMode = 0;
    int doIAlertAboutTweaks = 1;
    int timelineSync = 1;
    int doIMentionWebUpdates = 0;
    int showToolTips = 1;
    int showNativeFonts = 1;
    int saveRenderLogs = 0;  // a text log of each run's frame times beside its output
    bool alertsOff = false;  // reports go to the log only
    std::vector<std::string> recentProjects;
    // Owned one by one: a record being read is the command stream's receiver.
    std::vector<std::unique_ptr<TextAttr>> savedTextAttrs;
};

}  // namespace fw
