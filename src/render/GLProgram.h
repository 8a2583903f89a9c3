#pragma once
// Building a GLSL program from a vertex and a fragment text: what the lighting
// program and the frame's own resolve share.

#include <string>

namespace fw {

// The linked program, or 0 with the reason in `error` when either text does not
// compile or the two do not link; `what` names the program there ("the lighting
// fragment program does not compile: ...").
unsigned linkedProgram(const char* vertexText, const char* fragmentText, const char* what, std::string& error);

}  // namespace fw
