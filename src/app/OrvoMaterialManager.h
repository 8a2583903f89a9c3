#pragma once
// The material library; arrives with the style libraries.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoMaterialManager {};

}  // namespace fw
