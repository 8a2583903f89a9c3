#pragma once
// The folder a fuzz run keeps its files in.

#include <string>

namespace fw::fuzz {

// A private folder per process, with a documents folder of its own so that no
// start-up scene or preference of the machine's user is read; every member class is
// registered and alerts are silenced on first use.
const std::string& fuzzFolder();

}  // namespace fw::fuzz
