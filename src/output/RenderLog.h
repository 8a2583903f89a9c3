#pragma once
// The render times of a run's frames and the text file that reports them beside
// the output, written when the user's preferences ask for render logs.

#include <string>
#include <vector>

namespace fw {

class RenderLog {
public:
    // `outputType` is the run's output code (OutputType), which decides the log's name.
    RenderLog(std::string outputPath, int outputType);

    // Frames are reported in the order they were added.
    void addFrame(double frame, double seconds);
    size_t frameCount() const { return frames_.size(); }
    // The sum of the frames' times.
    double totalSeconds() const;

    // The log beside the output: the output's name without its extension, "####" in
    // place of the frame number of a sequence, then ".log": out/shot.png gives
    // out/shot####.log. A QuickTime-style movie (.mov, and .mp4, which the same movie
    // service writes) is one file, so its log has no "####": out/title.mov gives
    // out/title.log. AVI output keeps the "####".
    static std::string pathFor(const std::string& outputPath, int outputType);
    std::string path() const { return pathFor(outputPath_, outputType_); }

    // The log's bytes. With no frames, the fastest and slowest frame are 0 at no time.
    std::string text() const;
    // Writes the log (atomically, beside the output). Empty on success, else the
    // alert to show: "Error writing render log:\r" and the log's path.
    std::string write() const;

    // A time as minutes, seconds and milliseconds, "0:01.234", with hours in front
    // from an hour on, "1:02:03.004"; negative times read as none.
    static std::string durationText(double seconds);

private:
    struct Frame {
        double frame;
        double seconds;
    };

    std::string outputPath_;
    int outputType_;
    std::vector<Frame> frames_;
};

}  // namespace fw
