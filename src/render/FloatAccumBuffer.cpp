#define GL_GLEXT_PROTOTYPES 1
#include "render/FloatAccumBuffer.h"

#include <GL/gl.h>

#include <algorithm>

namespace fw {

FloatAccumBuffer::FloatAccumBuffer(int width, int height)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      sum_(static_cast<std::size_t>(width_) * height_ * 4, 0.0f) {}

void FloatAccumBuffer::reset() {
    std::fill(sum_.begin(), sum_.end(), 0.0f);
    passCount_ = 0;
    flag_ = false;
}

const float* FloatAccumBuffer::row(int y) { return base_ ? base_ + stride_ * y : nullptr; }

void FloatAccumBuffer::accumulate(FieldMode mode) {
    for (int y = 0; y < height_; ++y) {
        if ((mode == kEvenRows && y % 2 != 0) || (mode == kOddRows && y % 2 == 0)) continue;
        const float* from = row(y);
        if (!from) continue;
        float* to = &sum_[y * rowFloats()];
        for (std::size_t i = 0; i < rowFloats(); ++i) to[i] += from[i];
    }
    flag_ = true;
    ++passCount_;
}

void FloatAccumBuffer::resolve(float* destination, std::ptrdiff_t stride, bool flip) const {
    const float scale = passCount_ > 0 ? 1.0f / passCount_ : 1.0f;
    for (int y = 0; y < height_; ++y) {
        const float* from = &sum_[y * rowFloats()];
        float* to = destination + stride * (flip ? height_ - 1 - y : y);
        for (std::size_t i = 0; i < rowFloats(); ++i) to[i] = std::min(from[i] * scale, 1.0f);
    }
}

void FloatAccumBuffer::unpremultiply() {
    const int a = alphaIndex();
    for (std::size_t p = 0; p < sum_.size(); p += 4) {
        const float alpha = sum_[p + a];
        if (!(alpha > 0)) continue;
        const float scale = passCount_ / alpha;
        for (int c = 0; c < 4; ++c)
            if (c != a) sum_[p + c] *= scale;
    }
}

const float* FloatAccumBufferUsingReadPixels::row(int y) {
    line_.resize(rowFloats());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, y, width_, 1, GL_RGBA, GL_FLOAT, line_.data());
    for (std::size_t p = 0; p < line_.size(); p += 4) std::rotate(&line_[p], &line_[p + 3], &line_[p + 4]);
    return line_.data();
}

void FloatAccumBufferUsingReadPixels::accumulateFromReadBuffer(FieldMode mode) { accumulate(mode); }

}  // namespace fw
