#pragma once
// The light library; arrives with lights and the style libraries.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoLightManager {};

}  // namespace fw
