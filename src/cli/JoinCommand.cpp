// `join`: a numbered image sequence (a render farm's slices) into one movie, with the
// codecs and rates `render` writes movies with.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/Console.h"
#include "app/RenderSequence.h"
#include "cli/Subcommand.h"
#include "output/OutputType.h"
#include "platform/Dialogs.h"
#include "platform/FrameRate.h"
#include "platform/MovieWriter.h"
#include "platform/StopSignal.h"
#include "surface/ImageFile.h"
#include "surface/Picture.h"

namespace fw {

namespace {

// The files of a sequence: what comes before and after the frame number.
struct SequenceName {
    std::filesystem::path folder;
    std::string prefix, suffix;
};

// "shot_%04d.png", "shot_####.png", or the name `render` was given: "shot.png" for shot_0007.png.
SequenceName sequenceName(const std::string& pattern) {
    std::filesystem::path path(pattern);
    SequenceName name{path.parent_path(), "", ""};
    const std::string file = path.filename().string();
    const size_t percent = file.find('%'), hash = file.find('#');
    if (percent != std::string::npos) {
        const size_t d = file.find('d', percent);
        name.prefix = file.substr(0, percent);
        name.suffix = d == std::string::npos ? "" : file.substr(d + 1);
    } else if (hash != std::string::npos) {
        name.prefix = file.substr(0, hash);
        name.suffix = file.substr(file.find_first_not_of('#', hash));
    } else {
        name.prefix = path.stem().string() + "_";
        name.suffix = path.extension().string();
    }
    if (name.folder.empty()) name.folder = ".";
    return name;
}

// Frame number -> file, for every file the name matches.
std::map<int, std::string> sequenceFiles(const SequenceName& name) {
    std::map<int, std::string> files;
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(name.folder, failed)) {
        const std::string file = entry.path().filename().string();
        if (file.size() <= name.prefix.size() + name.suffix.size() || file.rfind(name.prefix, 0) != 0 ||
            file.compare(file.size() - name.suffix.size(), name.suffix.size(), name.suffix) != 0)
            continue;
        const std::string digits = file.substr(name.prefix.size(), file.size() - name.prefix.size() - name.suffix.size());
        if (digits.find_first_not_of("-0123456789") != std::string::npos || digits.find('-', 1) != std::string::npos)
            continue;
        files[std::stoi(digits)] = entry.path().string();
    }
    return files;
}

class JoinCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("join",
                                      "Join a numbered image sequence into a movie (the slices a render farm "
                                      "wrote, for example).");
        command_->add_option("SEQUENCE", pattern_,
                             "the sequence: shot_%04d.png, shot_####.png, or shot.png as `render` was given it "
                             "(shot_0000.png, shot_0001.png ...)")
            ->required();
        command_->add_option("-o,--output", out_, "the movie (.mov, .mp4, .avi)")->required();
        command_->add_option("--frames", range_, "FIRST-LAST: only these frames (default: every frame found)");
        command_->add_option("--fps", fps_, "frames per second: 25, 29.97, 30000/1001 ... (default 30)");
        command_->add_option("--codec", codec_, "as `render --codec`: .mov rle, h264 or png; .mp4 h264; .avi dib or mjpeg");
    }

    int run() override {
        const std::string extension = std::filesystem::path(out_).extension().string();
        if (!MovieWriter::supports(extension)) {
            printError(out_, "write a movie (.mov, .mp4, .avi)");
            return kExitUserError;
        }
        MovieWriter::Settings settings;
        std::optional<FrameRate> rate = FrameRate::parse(fps_);
        if (!rate || !rate->valid()) {
            printError("--fps", "takes frames per second, for example 25, 29.97 or 30000/1001, not " + fps_);
            return kExitUserError;
        }
        settings.rate = *rate;
        const std::vector<std::string> codecs = MovieWriter::codecs(extension);
        settings.codec = codec_.empty() ? codecs.front() : codec_;
        if (std::find(codecs.begin(), codecs.end(), settings.codec) == codecs.end()) {
            printError("--codec", "a " + extension + " movie does not take " + settings.codec);
            return kExitUserError;
        }
        std::map<int, std::string> files = sequenceFiles(sequenceName(pattern_));
        if (files.empty()) {
            printError(pattern_, "no frames of this sequence were found");
            return kExitUserError;
        }
        int first = files.begin()->first, last = files.rbegin()->first;
        if (!range_.empty() && !RenderSequence::parseRange(range_, first, last)) {
            printError("--frames", "takes FIRST-LAST, for example 0-59, not " + range_);
            return kExitUserError;
        }
        // A gap is a slice that did not finish: the movie would skip it unseen.
        for (int frame = first; frame <= last; ++frame)
            if (!files.count(frame)) {
                printError(pattern_, "frame " + std::to_string(frame) + " is missing (frames " + std::to_string(first) +
                                         " to " + std::to_string(last) + " are to be joined)");
                return kExitUserError;
            }
        Picture picture;
        std::string error;
        if (!ImageFile::loadPicture(files[first], picture, error)) {
            printError(files[first], error);
            return kExitUserError;
        }
        settings.width = picture.width(), settings.height = picture.height();
        for (size_t i = 3; i < picture.pixels().size() && !settings.alpha; i += 4) settings.alpha = picture.pixels()[i] != 255;
        StopSignal stopSignal;  // a stopped join still leaves a movie of the frames joined
        MovieWriter writer;
        if (!writer.open(out_, settings)) {
            Dialogs::instance().alert(writer.error());
            return kExitUserError;
        }
        int joined = 0;
        for (int frame = first; frame <= last && StopSignal::caught() == 0; ++frame) {
            if (frame != first && !ImageFile::loadPicture(files[frame], picture, error)) {
                writer.discard();
                printError(files[frame], error);
                return kExitUserError;
            }
            if (picture.width() != settings.width || picture.height() != settings.height) {
                writer.discard();
                printError(files[frame], "is " + std::to_string(picture.width()) + " x " + std::to_string(picture.height()) +
                                             ", the sequence's first frame " + std::to_string(settings.width) + " x " +
                                             std::to_string(settings.height));
                return kExitUserError;
            }
            if (!writer.addFrame(picture.pixels().data())) {
                writer.discard();
                Dialogs::instance().alert(writer.error());
                return kExitUserError;
            }
            ++joined;
        }
        const int signal = StopSignal::caught();
        if (signal != 0 && joined == 0) {
            writer.discard();
            return StopSignal::exitStatus(signal);
        }
        if (!writer.finish()) {
            Dialogs::instance().alert(writer.error());
            return kExitUserError;
        }
        printNote("%s: %d frame%s (%d-%d) joined at %d x %d", out_.c_str(), joined, joined == 1 ? "" : "s", first,
                  first + joined - 1, settings.width, settings.height);
        if (signal != 0) {
            printError(out_, std::string("stopped by ") + StopSignal::name(signal) + " after " + std::to_string(joined) +
                                 " frames; the movie holds those");
            return StopSignal::exitStatus(signal);
        }
        return kExitOk;
    }

private:
    std::string pattern_, out_, range_, fps_ = "30", codec_;
};

}  // namespace

std::unique_ptr<Subcommand> makeJoinCommand() { return std::make_unique<JoinCommand>(); }

}  // namespace fw
