#pragma once
// The smoothness lines every kind of object keeps: "smoothnessPreview" and
// "smoothnessRender", held to ObjectX::kMaxSmoothness with a warning, and the older
// "flatPreview" and "flatRender", whose flatness becomes a smoothness. T is the object
// class; its setSmoothness(mode, value) keeps the value.

#include "geometry/ObjectX.h"
#include "persistence/FieldReaders.h"
#include "scene/Quality.h"

namespace fw {

template <class T, int Mode>
int readSmoothnessLine(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    v = atMost(io, Mode == kRenderMode ? "smoothnessRender" : "smoothnessPreview", v, ObjectX::kMaxSmoothness);
    receiverAs<T>(r).setSmoothness(Mode, v);
    return 0;
}

template <class T, int Mode>
int readFlatnessLine(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<T>(r).setSmoothness(Mode, ObjectX::smoothnessFromFlatness(v, Mode == kRenderMode));
    return 0;
}

}  // namespace fw
