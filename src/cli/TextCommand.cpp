// `text`: 3D text built from the program's defaults, written as a project, a mesh or
// the picture its saved project renders to.
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/Console.h"
#include "app/FlagTitle.h"
#include "app/OrvoSceneManager.h"
#include "app/TextBatches.h"
#include "app/TitleScene.h"
#include "cli/FileTypes.h"
#include "cli/Looks.h"
#include "cli/SceneOutput.h"
#include "cli/Subcommand.h"
#include "text/TextAttr.h"
#include "text/TextVariableFile.h"

namespace fw {

namespace {

// What the `text` command was asked for, as typed.
struct TextRequest {
    std::string text, font, size, align, animate, out, variables;
    Looks looks;
    double depth = TitleScene::kTextSize * 0.25;
    double leading = TextAttr::kLeadingNotSet;
    double spacing = 0;
    int wrap = 0;
    bool flag = false;
    std::string flagKind;  // "picture" (also when given alone) or "solid"
};

int alignmentOf(const std::string& name) {
    if (name == "centre" || name == "center") return TextAttr::kCentred;
    if (name == "right") return TextAttr::kRight;
    if (name == "justify") return TextAttr::kJustified;
    if (name == "justify-all") return TextAttr::kJustifiedAll;
    return TextAttr::kLeft;
}

TitleScene::Options titleOptions(const TextRequest& request) {
    TitleScene::Options options;
    options.text = TitleScene::fromUtf8(request.text);
    if (!request.font.empty()) options.font = request.font;
    if (isEdgeName(request.looks.style)) options.edge = request.looks.style;
    options.depth = request.depth;
    options.alignment = alignmentOf(request.align);
    options.leading = request.leading;
    options.spacing = request.spacing;
    options.wrap = request.wrap;
    options.animate = request.animate;
    if (!options.animate.empty()) options.direction = directionOf(request.looks.directing);
    return options;
}

// The title's picture on a waving flag. A project keeps the picture beside it; an image
// or a movie needs it only while it is rendered.
int makeFlag(const TextRequest& request) {
    // A material dresses the cloth under its print, or a solid flag's letters; a word of
    // a printed title is part of the picture.
    for (const std::string& material : request.looks.materials)
        if (request.flagKind != "solid" && material.find('@') != std::string::npos) {
            printError("--material", "a word of a printed flag is part of its picture; the cloth is dressed whole");
            return kExitUserError;
        }
    if (!request.animate.empty() || !request.variables.empty()) {
        printError(request.animate.empty() ? "--variables" : "--animate",
                   "a flag's cloth wears the title as a still picture; the flag itself is what moves");
        return kExitUserError;
    }
    TitleScene::Options options = titleOptions(request);
    SceneOutput output{request.out, request.size, request.looks, options.edge};
    const bool project = FileTypes::names(FileType::kProject, request.out);
    std::error_code failed;
    const std::filesystem::path out(request.out);
    const std::string texture =
        project ? (out.parent_path() / (out.stem().string() + "-title.png")).string()
                : (std::filesystem::temp_directory_path(failed) / ("formwright-flag-" + std::to_string(getpid()) + ".png"))
                      .string();
    if (request.flagKind == "solid")
        return writeBuiltScene(
            output, [&](OrvoSceneManager& manager, int width, int height, std::string& subject, std::string& error) {
                options.width = width, options.height = height;
                return FlagTitle::buildSolid(manager, options, subject, error);
            });
    const int status = writeBuiltScene(
        output, [&](OrvoSceneManager& manager, int width, int height, std::string& subject, std::string& error) {
            options.width = width, options.height = height;
            // The project names the picture as its own path was given.
            return FlagTitle::build(manager, options, texture, subject, error);
        });
    if (!project) std::filesystem::remove(texture, failed);
    return status;
}

// Builds a scene holding the text as bevelled characters, framed by the default camera.
// With a variable file the title shows its first row, and the project names the file.
int makeText(const TextRequest& request) {
    if (request.flag) return makeFlag(request);
    TitleScene::Options options = titleOptions(request);
    if (!request.variables.empty()) {
        TextVariableFile file;
        std::string error;
        if (!file.read(request.variables, error)) {
            printError(request.variables, error);
            return kExitUserError;
        }
        if (file.rows.empty()) {
            printError(request.variables, "has no rows below its header: there is no batch to show");
            return kExitUserError;
        }
        if (request.text.find("<<") == std::string::npos) {
            printError("--variables", "the text has no variables to fill; mark them as <<1:Name>>, <<2:Title>> ...");
            return kExitUserError;
        }
        options.variables = true;
        options.values = file.values(1);
    }
    SceneOutput output{request.out, request.size, request.looks, options.edge};
    output.looks.directing.timingBuilt = !options.animate.empty();
    return writeBuiltScene(
        output, [&](OrvoSceneManager& manager, int width, int height, std::string& subject, std::string& error) {
            options.width = width, options.height = height;
            if (!TitleScene::build(manager, options, subject, error)) return false;
            if (options.variables) {
                manager.settings().textVariableFile = TextBatches::recorded(request.variables);
                manager.settings().textVariableBatchNumber = 1;
            }
            return true;
        });
}

class TextCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand(
            "text",
            "Build 3D text: a project, a mesh or a rendered image. The text is 72 points tall; "
            "lengths below are in points. A new title starts from the program's defaults: 640x480 on "
            "black, DejaVu Sans, \"Bevel, Medium\" edges, the default material and lights, a 300-frame "
            "timeline at 30 frames per second.");
        command_->add_option("TEXT", text_.text, "the text, UTF-8 (a line break starts a new line)")->required();
        command_->add_option("--variables", text_.variables,
                             "a table (CSV or tab-separated, UTF-8, a header row) whose rows fill the text's "
                             "variables <<1:Name>>, <<2:Title>> ... batch by batch; the title shows the first row "
                             "and the project names the file, for `render` to draw row by row (its batch option)");
        command_->add_option("--font", text_.font,
                             "an installed font family or full name, or a font file "
                             "(default DejaVu Sans)");
        addLookOptions(*command_, text_.looks);
        addDirectingOptions(*command_, text_.looks.directing, true);
        command_->add_option("--size", text_.size,
                             "WIDTHxHEIGHT of the picture, kept as the project's render size "
                             "(default 640x480)");
        command_->add_option("--depth", text_.depth, "depth of the solids (default 18)")->check(kAboveZero);
        command_
            ->add_option("--align", text_.align,
                         "left, centre (center), right, justify or justify-all: "
                         "where each line sits in the text's width (default left)")
            ->check(CLI::IsMember({"left", "centre", "center", "right", "justify", "justify-all"}));
        command_->add_option("--leading", text_.leading, "distance between baselines (default 1.2 x the size)")
            ->check(kAboveZero);
        command_
            ->add_option("--spacing", text_.spacing,
                         "extra space after each character, thousandths of an em "
                         "(negative tightens; default 0)")
            ->check(CLI::Range(-1000.0, 10000.0));
        command_
            ->add_option("--wrap", text_.wrap,
                         "width at which a line breaks after its last space "
                         "(default: only line breaks in the text)")
            ->check(kAboveZero);
        command_->add_option("--animate", text_.animate,
                             "a ready-made animation, or a chain IN,hold,OUT (fly-in,hold,fade-out). In: "
                             "fly-in, drop, spin-in, fade-in (fade), typewriter, cascade, slide-up (line by "
                             "line), zoom-in, tracking-in. Out: fly-out, drop-out, spin-out, fade-out, "
                             "typewriter-out, cascade-out, slide-down, zoom-out, tracking-out, shatter (the "
                             "letters break into pieces that fly apart). An image shows the settled title, or "
                             "the shattering one");
        flagOption_ = command_
                          ->add_option("--flag", text_.flagKind,
                                       "put the title on a flag waving on a pole. Alone or `picture`: the title is "
                                       "rendered flat and the cloth wears that picture (a project keeps it beside "
                                       "itself as OUT-title.png); `solid`: the bevelled letters are the flag and "
                                       "wave with its cloth")
                          ->expected(0, 1)
                          ->check(CLI::IsMember({"picture", "solid"}));
        command_
            ->add_option("-o,--output", text_.out,
                         "OUT.kxp, a mesh (" + FileTypes::listed(FileType::kMesh, ", ") +
                             "), an image, or a movie of the whole timeline (" +
                             FileTypes::listed(FileType::kMovie, ", ") + ")")
            ->required();
    }
    int run() override {
        text_.flag = flagOption_->count() > 0;
        return makeText(text_);
    }

private:
    TextRequest text_;
    CLI::Option* flagOption_ = nullptr;
};

}  // namespace

std::unique_ptr<Subcommand> makeTextCommand() { return std::make_unique<TextCommand>(); }

}  // namespace fw
