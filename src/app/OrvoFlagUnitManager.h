#pragma once
// Flag settings; arrives with the flag simulation.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoFlagUnitManager {};

}  // namespace fw
