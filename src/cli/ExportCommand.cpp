// `export`: a project's visible objects as a mesh file, at one frame or for a range.
#include <string>

#include "app/Console.h"
#include "app/MeshExport.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/Subcommand.h"

namespace fw {

namespace {

class ExportCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand(
            "export", "Write a project's visible objects as a mesh file, at one frame or for a frame range.");
        command_->add_option("PROJECT", in_, "project to export")->required();
        command_
            ->add_option("-o,--output", request_.out,
                         "mesh file: " + FileTypes::listed(FileType::kMesh) +
                             " (with --frames, OBJ writes a file per frame, logo.0012.obj; the others hold every "
                             "frame)")
            ->required();
        frameOption_ = command_->add_option("--frame", frame_, "frame to export (default: the current frame)");
        command_->add_option("--frames", request_.range, "FIRST-LAST: export this range of the timeline")
            ->excludes(frameOption_);
        auto* worldFlag = command_->add_flag("--world", world_, "positions in world coordinates (the default)");
        command_->add_flag("--local", request_.local, "positions in each object's own coordinates")
            ->excludes(worldFlag);
        command_->add_flag("--sections", request_.sections,
                           "an extruded object's parts (faces, bevels, sides) as objects of their own");
        command_
            ->add_option("--scale", request_.scale,
                         "multiply every coordinate by this; one unit of a project is a point (1/72 inch). "
                         "Default 1, except .glb, whose unit is the metre: 0.000352778, a point in metres "
                         "(a 72-point letter 25.4 mm tall)")
            ->check(kAboveZero);
    }

    int run() override {
        if (frameOption_->count()) request_.frame = frame_;
        Session session;
        OrvoSceneManager& manager = session.app.sceneManager();
        if (!loadProjectOrReport(manager, in_)) return kExitUserError;
        return MeshExport::run(manager, request_);
    }

private:
    std::string in_;
    MeshExport::Request request_;
    double frame_ = 0;
    CLI::Option* frameOption_ = nullptr;
    bool world_ = false;
};

}  // namespace

std::unique_ptr<Subcommand> makeExportCommand() { return std::make_unique<ExportCommand>(); }

}  // namespace fw
