#pragma once
// User-visible strings of the program; the texts are compiled in where they are used for now.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class kxStringTable {};

}  // namespace fw
