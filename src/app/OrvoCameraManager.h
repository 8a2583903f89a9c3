#pragma once
// The scene's cameras; its blocks in project files arrive with cameras.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoCameraManager {};

}  // namespace fw
