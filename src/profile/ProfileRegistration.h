#pragma once
// Entry point through which the program makes the profile kinds loadable.

namespace fw {

// Adds "ProfileI", "ProfileM" and "ProfileL" to the scene's member factory, each with
// the default name "profile%d".
void registerProfileClasses();

}  // namespace fw
