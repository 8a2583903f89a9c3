#include "cli/Finish.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "app/Console.h"
#include "app/FrameEffects.h"
#include "app/OrvoSceneManager.h"
#include "app/VeltraneApp.h"
#include "cli/Documents.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/GlintUnit.h"
#include "surface/ImageMap.h"

namespace fw {

void addFinishOptions(CLI::App& command, Finish& finish) {
    command
        .add_option("--anti-alias", finish.antiAlias,
                    "anti-alias level 0 to 5: how finely the ray tracer samples each pixel; with "
                    "--anti-alias-passes also OpenGL's passes (default: the project's, 2)")
        ->check(CLI::Range(0, 5));
    command.add_flag("--anti-alias-passes", finish.antiAliasPasses,
                     "OpenGL draws the frame level x level times a fraction of a pixel apart and averages them, "
                     "on top of its multisampling (slower; kept in the project)");
    command
        .add_option("--depth-of-field", finish.depthOfField,
                    "N from 2 to 16: the camera sways about its target over N x N passes, so the target stays "
                    "sharp and what lies further from it blurs more; 0 or 1 turns it off")
        ->check(CLI::Range(0.0, 16.0));
    command
        .add_option("--motion-blur", finish.motionBlur,
                    "PASSES from 2 to 64: each frame averages this many moments while the shutter is open; "
                    "1 turns it off")
        ->check(CLI::Range(1, 64));
    command
        .add_option("--shutter", finish.shutter,
                    "shutter angle in degrees for motion blur, 0 to 360: 180 keeps it open half a frame "
                    "(default: the project's, 180)")
        ->check(CLI::Range(0.0, 360.0));
    command.add_option("--glint", finish.glint, "sweep: a glint that sweeps across the letters over the timeline")
        ->check(CLI::IsMember({"sweep"}));
    command.add_option("--background", finish.background,
                       "COLOUR (#rrggbb, R,G,B from 0 to 1, black, white or grey) or an IMAGE file stretched "
                       "over the frame behind everything");
    command.add_flag("--transparent", finish.transparent,
                     "the background stays clear: images and movies that hold alpha keep it (UseAlphaMask 1)");
    command.add_option("--set", finish.settings,
                       "KEYWORD=VALUE: any settings line of the project, as the project file writes it "
                       "(--set RenderShadows=0 --set \"BackgroundColor=0.1 0.1 0.2\"); may be given again");
}

bool applySetting(OrvoSceneManager& manager, const std::string& assignment, const std::string& subject) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
        printError(subject, "takes KEYWORD=VALUE, not \"" + assignment + "\"");
        return false;
    }
    const std::string keyword = assignment.substr(0, equals), value = assignment.substr(equals + 1);
    std::string error;
    std::vector<std::string> warnings;
    if (!manager.setSetting(keyword, value, error, &warnings)) {
        printError(keyword, error);
        return false;
    }
    for (const std::string& warning : warnings) printError(keyword, warning);
    return true;
}

bool parseColour(const std::string& text, double rgb[3]) {
    static const struct {
        const char* name;
        double grey;
    } kNamed[] = {{"black", 0}, {"white", 1}, {"grey", 0.5}, {"gray", 0.5}};
    for (const auto& named : kNamed)
        if (text == named.name) {
            rgb[0] = rgb[1] = rgb[2] = named.grey;
            return true;
        }
    unsigned hex = 0;
    char end = 0;
    if (text.size() == 7 && text[0] == '#' && std::sscanf(text.c_str() + 1, "%6x%c", &hex, &end) == 1) {
        for (int c = 0; c < 3; ++c) rgb[c] = ((hex >> (16 - 8 * c)) & 0xff) / 255.0;
        return true;
    }
    double v[3];
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf%c", &v[0], &v[1], &v[2], &end) != 3) return false;
    for (int c = 0; c < 3; ++c) {
        if (!(v[c] >= 0 && v[c] <= 1)) return false;
        rgb[c] = v[c];
    }
    return true;
}

bool checkFinish(const Finish& finish) {
    double rgb[3];
    std::error_code failed;
    if (!finish.background.empty() && !parseColour(finish.background, rgb) &&
        !std::filesystem::is_regular_file(finish.background, failed)) {
        printError("--background", "\"" + finish.background +
                                       "\" is neither a colour (#rrggbb, R,G,B from 0 to 1, black, white, grey) nor "
                                       "an image file");
        return false;
    }
    if (finish.settings.empty()) return true;
    Session session;
    for (const std::string& assignment : finish.settings)
        if (!applySetting(session.app.sceneManager(), assignment)) return false;
    return true;
}

void applyFinish(VeltraneApp& app, const Finish& finish) {
    OrvoSceneManager& manager = app.sceneManager();
    auto& settings = manager.settings();
    AnimGlobals& timeline = manager.scene()->animGlobals();
    if (finish.antiAlias >= 0) settings.antiAliasLevel = finish.antiAlias;
    if (finish.antiAliasPasses) settings.antiAliasPasses = 1;
    if (finish.depthOfField >= 0) settings.depthOfField = finish.depthOfField;
    if (finish.motionBlur >= 0) timeline.motionBlurPasses = finish.motionBlur;
    if (finish.shutter >= 0) timeline.motionBlurShutter = finish.shutter;
    if (finish.transparent) settings.useAlphaMask = 1;
    if (double rgb[3]; !finish.background.empty() && parseColour(finish.background, rgb)) {
        for (int c = 0; c < 3; ++c) settings.backgroundColor[c] = rgb[c];
        settings.useBackgroundMedia = 0;
    } else if (!finish.background.empty()) {
        std::error_code failed;
        const std::filesystem::path image = std::filesystem::absolute(finish.background, failed);
        settings.backgroundMedia = image.string();
        settings.useBackgroundMedia = 1;
        ImageMap::setBackgroundMedia(*manager.scene(), settings.backgroundMedia);
    }
    for (const std::string& assignment : finish.settings) applySetting(manager, assignment);
    if (finish.glint == "sweep") {
        // Asked again, the sweep replaces the one the project has rather than doubling it.
        auto& units = app.frameEffects().units;
        std::unique_ptr<GlintUnit> sweep = FrameEffects::sweep();
        std::erase_if(units, [&](const auto& unit) { return unit->name == sweep->name; });
        units.push_back(std::move(sweep));
    }
}

}  // namespace fw
