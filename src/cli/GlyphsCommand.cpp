// `glyphs`: a font's glyph outlines and metrics as JSON lines.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/TitleScene.h"
#include "cli/Subcommand.h"
#include "font/GlyphDump.h"

namespace fw {

namespace {

class GlyphsCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("glyphs", "Print a font's glyph outlines and metrics as JSON lines.");
        command_->add_option("FONT", font_, "TrueType, OpenType, collection or Type 1 (PFB, PFA) file")->required();
        charsOption_ =
            command_->add_option("--chars", chars_,
                                 "only these characters (UTF-8), looked up as `text` looks them up; without it, "
                                 "every code the character maps give a glyph, in the map's own codes");
    }

    int run() override {
        std::vector<uint32_t> codes;
        for (char16_t c : TitleScene::fromUtf8(chars_)) codes.push_back(c);
        std::string error;
        if (!veltrane::writeGlyphRecords(font_.c_str(), charsOption_->count() > 0 ? &codes : nullptr, stdout, error)) {
            printError(font_, error);
            return kExitUserError;
        }
        return kExitOk;
    }

    // A font file is all it reads.
    bool usesLibraries() const override { return false; }

private:
    std::string font_, chars_;
    CLI::Option* charsOption_ = nullptr;
};

}  // namespace

std::unique_ptr<Subcommand> makeGlyphsCommand() { return std::make_unique<GlyphsCommand>(); }

}  // namespace fw
