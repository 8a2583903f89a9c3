#pragma once
// Passes summed on the CPU: each pass's rows are added into a float sum, four values
// per pixel, and the mean is written out at the end. The ray tracer's passes go
// through it; the read-pixels kind takes its rows from the current OpenGL read
// buffer, for an OpenGL frame whose float buffers could not be made.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

class FloatAccumBuffer {
public:
    // Which rows a pass adds: all, or one field of an interlaced frame.
    enum FieldMode { kAllRows = 0, kEvenRows = 1, kOddRows = 2 };

    FloatAccumBuffer(int width, int height);
    virtual ~FloatAccumBuffer() = default;

    // Where accumulate reads: `width` x 4 floats per row, `stride` floats apart.
    void setSource(const float* base, std::ptrdiff_t stride) { base_ = base, stride_ = stride; }
    // Forgets the sums' pass count; the sums themselves are cleared with it.
    virtual void reset();
    // Adds every selected source row into the sum; one more pass.
    void accumulate(FieldMode mode = kAllRows);
    // Each sum times 1 / passes (times 1 with no pass added), capped at 1, into
    // `destination` (`width` x 4 floats per row, `stride` apart), bottom row last when
    // `flip` is set.
    void resolve(float* destination, std::ptrdiff_t stride, bool flip = false) const;
    // Straightens a sum of premultiplied passes: each pixel with alpha above 0 has its
    // colour scaled by passes / alpha, so that resolving gives its straight colour.
    void unpremultiply();

    int width() const { return width_; }
    int height() const { return height_; }
    int passes() const { return passCount_; }
    const float* sum() const { return sum_.data(); }
    // Which of a pixel's four values is its alpha.
    virtual int alphaIndex() const { return 3; }

protected:
    // Source row y.
    virtual const float* row(int y);
    std::size_t rowFloats() const { return static_cast<std::size_t>(width_) * 4; }

    int width_, height_;
    const float* base_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    std::vector<float> sum_;
    int passCount_ = 0;
    bool flag_ = false;  // a source was read since the last reset
};

// Reads its rows from the current OpenGL read buffer: each pixel is kept in the order
// alpha, red, green, blue, in the sum as in what it resolves to.
class FloatAccumBufferUsingReadPixels : public FloatAccumBuffer {
public:
    using FloatAccumBuffer::FloatAccumBuffer;
    // Adds the current read buffer's selected rows; one more pass.
    void accumulateFromReadBuffer(FieldMode mode = kAllRows);
    int alphaIndex() const override { return 0; }

protected:
    const float* row(int y) override;

private:
    std::vector<float> line_;
};

}  // namespace fw
