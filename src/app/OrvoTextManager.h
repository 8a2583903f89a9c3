#pragma once
// Text objects and the installed fonts; arrives with text.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoTextManager {};

}  // namespace fw
