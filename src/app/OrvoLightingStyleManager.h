#pragma once
// The lighting style library; arrives with the style libraries.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoLightingStyleManager {};

}  // namespace fw
