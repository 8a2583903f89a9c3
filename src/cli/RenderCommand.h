#pragma once
// The picture `render` makes of a project, which `text` also makes of its saved title.

#include <optional>
#include <string>

#include "app/RenderSequence.h"
#include "cli/Looks.h"

namespace fw {

// Renders `path` at `frameNumber` (default: its current frame) into the image `out`.
int renderProject(const std::string& path, const std::string& out, const std::string& size,
                  std::optional<double> frameNumber, const std::string& renderer = "", const Looks& looks = Looks());
// Renders the request's frame range of its project to a movie or a sequence.
int renderFrames(const RenderSequence::Request& request, const Looks& looks = Looks());
// Renders text batch `batch` ("N" or "all") of the project: a still of each (no
// range), or its range as a sequence or one movie per batch. An exit status.
int renderBatches(const RenderSequence::Request& request, const std::string& batch, const Looks& looks = Looks());
// Renders the whole timeline of `path` into the movie `out`.
int renderTimeline(const std::string& path, const std::string& out);

}  // namespace fw
