#include "cli/Direct.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <glm/glm.hpp>

#include "anim/AnimElementCache.h"
#include "anim/AnimSequenceParams.h"
#include "app/Console.h"
#include "app/RenderJob.h"
#include "cli/Finish.h"
#include "cli/Subcommand.h"
#include "render/Camera.h"
#include "scene/Scene.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

struct Lens {
    std::optional<double> orbit, tilt, distance, lens;
};

std::string launchWords() {
    std::string words;
    for (int t = 0; t < AnimSequenceParams::kLaunchTypes; ++t)
        words += (t ? ", " : "") + std::string(AnimSequenceParams::launchTypeName(t));
    return words;
}

bool number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == 0 && std::isfinite(value);
}

// in, out, in-out or none, each with ":AMOUNT" (percent) if wanted.
bool parseEase(const std::string& text, TitleAnimation::Direction::Ease& ease) {
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    if (colon != std::string::npos &&
        (!number(text.substr(colon + 1), ease.amount) || ease.amount < 0 || ease.amount > 100))
        return false;
    // Half of each element's motion speeds up or slows down; the amount says how strongly.
    if (kind == "in")
        ease.start = 50, ease.end = 0;
    else if (kind == "out")
        ease.start = 0, ease.end = 50;
    else if (kind == "in-out")
        ease.start = ease.end = 50;
    else if (kind == "none")
        ease.start = ease.end = 0;
    else
        return false;
    return true;
}

bool parseCamera(const std::string& text, Lens& view) {
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        const size_t equals = item.find('=');
        double value = 0;
        if (equals == std::string::npos || !number(item.substr(equals + 1), value)) return false;
        const std::string key = item.substr(0, equals);
        if (key == "orbit")
            view.orbit = value;
        else if (key == "tilt" && std::abs(value) < 90)
            view.tilt = value;
        else if (key == "distance" && value > 0)
            view.distance = value;
        else if (key == "lens" && value > 0)
            view.lens = value;
        else
            return false;
        at = comma + 1;
    }
    return true;
}

// The camera turned into one that orbits the point it looks at, keeping where it stands
// unless told otherwise.
void placeCamera(Camera& camera, const Lens& view) {
    const glm::dmat4 m = camera.cameraToWorld();
    const glm::dvec3 position(m[3]);
    const glm::dvec3 target = position - glm::normalize(glm::dvec3(m[2])) * camera.focusDistance();
    const glm::dvec3 d = position - target;
    const double distance = glm::length(d);
    // An orbit places the camera at the target turned by (up-down, left-right) from +Z.
    double leftRight = glm::degrees(std::atan2(d.x, d.z));
    double upDown = glm::degrees(std::asin(std::clamp(-d.y / std::max(distance, 1e-9), -1.0, 1.0)));
    if (view.orbit) leftRight = *view.orbit;
    if (view.tilt) upDown = -*view.tilt;  // a positive tilt looks down from above
    camera.setMode(Camera::kOrbit);
    camera.target[0] = target.x, camera.target[1] = target.y, camera.target[2] = target.z;
    camera.distance = view.distance.value_or(distance);
    camera.tumbleLeftRight = leftRight;
    camera.tumbleUpDown = upDown;
    camera.roll = 0;
    if (view.lens) camera.setLens(*view.lens);
}

bool applyColours(SceneX& scene, const std::vector<std::string>& colours) {
    for (const std::string& typed : colours) {
        std::string colour, error;
        TextRange range;
        if (!splitRanged(typed, colour, range, error)) range = TextRange{true, 1, 1 << 30};
        double rgb[3];
        parseColour(colour, rgb);
        const std::vector<std::string> objects = TextRanges::objects(scene, range);
        if (objects.empty()) {
            printError("--colour", "the text has no " + range.describe());
            return false;
        }
        char name[64];
        std::snprintf(name, sizeof name, "Colour %02X%02X%02X", int(std::lround(rgb[0] * 255)),
                      int(std::lround(rgb[1] * 255)), int(std::lround(rgb[2] * 255)));
        auto* material = new MaterialX(scene, name);
        if (auto* base = dynamic_cast<MaterialX*>(scene.findMember(TextRanges::faceMaterial(scene, objects))))
            material->copyFrom(*base);
        material->colorChannel().setColor(float(rgb[0]), float(rgb[1]), float(rgb[2]));
        TextRanges::dress(scene, objects, material->name(), "@" + typed.substr(typed.rfind('@') + 1));
    }
    return true;
}

}  // namespace

bool splitRanged(const std::string& text, std::string& what, TextRange& range, std::string& error) {
    const size_t at = text.rfind('@');
    what = text.substr(0, at);
    if (at == std::string::npos) return false;
    if (!TextRange::parse(text.substr(at + 1), range)) {
        error = "\"" + text.substr(at + 1) +
                "\" is not a range: give @N for word N, @N-M for words N to M, or @cN-M for characters N to M";
        return false;
    }
    return true;
}

void addDirectingOptions(CLI::App& command, Directing& directing, bool withFps) {
    command
        .add_option("--duration", directing.duration,
                    "SECONDS: the timeline's length; the animation's longest hold takes the difference")
        ->check(kAboveZero);
    if (withFps)
        command.add_option("--fps", directing.fps, "frames per second of the timeline (default 30)")
            ->check(CLI::Range(1.0, 240.0));
    command
        .add_option("--stagger", directing.stagger,
                    "SECONDS between one element's launch and the next's (default: shorter for longer titles)")
        ->check(CLI::Range(0.0, 60.0));
    command.add_option("--ease", directing.ease,
                       "in, out, in-out or none, with :AMOUNT from 0 to 100 if wanted (out:80): how each "
                       "element's motion speeds up and slows down");
    command.add_option("--launch", directing.launch,
                       "the order elements set off in: " + launchWords() + " (left-right and such spellings too)");
    command.add_option("--by", directing.by, "letter, word or line: what moves as one")
        ->check(CLI::IsMember({"letter", "word", "line"}));
    command.add_option("--camera", directing.camera,
                       "orbit=DEGREES,tilt=DEGREES,distance=POINTS,lens=MM, any of them: the camera circles the "
                       "point it looks at (orbit to the right, tilt from above)");
    command.add_option("--colour,--color", directing.colours,
                       "COLOUR@RANGE: a colour (#rrggbb, R,G,B from 0 to 1, black, white, grey) for word N (@N), "
                       "words N to M (@N-M) or characters N to M (@cN-M); without @, the whole text");
}

namespace {

// Reads the timing options; false (reported) at the first that is wrong.
bool readDirection(const Directing& d, TitleAnimation::Direction& direction) {
    if (d.duration > 0) direction.duration = d.duration;
    if (d.fps > 0) direction.fps = d.fps;
    if (d.stagger >= 0) direction.stagger = d.stagger;
    if (!d.ease.empty()) {
        TitleAnimation::Direction::Ease ease;
        if (!parseEase(d.ease, ease)) {
            printError("--ease",
                       "\"" + d.ease + "\": give in, out, in-out or none, with :AMOUNT from 0 to 100 if wanted");
            return false;
        }
        direction.ease = ease;
    }
    if (!d.launch.empty()) {
        const int launch = TitleAnimation::launchOf(d.launch);
        if (launch < 0) {
            printError("--launch", "\"" + d.launch + "\": the launch orders are " + launchWords());
            return false;
        }
        direction.launch = launch;
    }
    if (!d.by.empty()) direction.by = TitleAnimation::granularityOf(d.by);
    return true;
}

}  // namespace

TitleAnimation::Direction directionOf(const Directing& directing) {
    TitleAnimation::Direction direction;
    readDirection(directing, direction);
    return direction;
}

bool checkDirecting(const Directing& d) {
    TitleAnimation::Direction direction;
    if (!readDirection(d, direction)) return false;
    Lens view;
    if (!d.camera.empty() && !parseCamera(d.camera, view)) {
        printError("--camera", "\"" + d.camera +
                                   "\": give orbit=DEGREES, tilt=DEGREES (between -90 and 90), distance=POINTS or "
                                   "lens=MM, separated by commas");
        return false;
    }
    for (const std::string& typed : d.colours) {
        std::string colour, error;
        TextRange range;
        double rgb[3];
        if (!splitRanged(typed, colour, range, error) && !error.empty()) {
            printError("--colour", error);
            return false;
        }
        if (!parseColour(colour, rgb)) {
            printError("--colour", "\"" + colour + "\": give #rrggbb, R,G,B from 0 to 1, black, white or grey");
            return false;
        }
    }
    return true;
}

bool applyDirecting(SceneX& scene, const Directing& d) {
    const TitleAnimation::Direction direction = directionOf(d);
    if (!d.timingBuilt && direction.any()) {
        const bool moves = direction.stagger || direction.ease || direction.launch || direction.by;
        if (moves && scene.memberCount(kAnimTrackKind) == 0) {
            printError(d.stagger >= 0      ? "--stagger"
                       : !d.ease.empty()   ? "--ease"
                       : !d.launch.empty() ? "--launch"
                                           : "--by",
                       "there is no animation to direct (give --animate)");
            return false;
        }
        std::string error;
        if (!TitleAnimation::direct(scene, direction, error)) {
            printError("--duration", error);
            return false;
        }
    }
    if (!d.camera.empty()) {
        Camera* camera = RenderJob::camera(scene);
        if (!camera) {
            printError("--camera", "the project has no camera");
            return false;
        }
        Lens view;
        parseCamera(d.camera, view);
        placeCamera(*camera, view);
    }
    return applyColours(scene, d.colours);
}

}  // namespace fw
