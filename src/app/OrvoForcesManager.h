#pragma once
// Forces acting on simulations; arrives with the flag simulation.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoForcesManager {};

}  // namespace fw
