#pragma once
// Creating, importing, exporting and converting objects; arrives with geometry and export.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoObjectManager {};

}  // namespace fw
