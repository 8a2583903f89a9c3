#pragma once
// The library of object (extrusion) styles; arrives with the style libraries.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoObjectStyleManager {};

}  // namespace fw
