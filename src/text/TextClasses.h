#pragma once
// What the text library adds at start-up: text blocks and character outlines in the
// scene's member factory.

namespace fw {

void registerTextClasses();

}  // namespace fw
