#pragma once
// Start-up registration: every subsystem adds its member classes to the scene's
// factory and its default members to the project loader's fix-ups.

namespace fw {

void registerAllClasses();

}  // namespace fw
