#pragma once
// The system's growable array: pointer, count, capacity and a growth step that
// doubles each time the array has to grow. Elements must be trivially copyable.

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace fw {

template <class T>
class GrowableArray {
    static_assert(std::is_trivially_copyable_v<T>, "GrowableArray holds plain values");

public:
    explicit GrowableArray(int step) : step_(step > 0 ? step : 1), firstStep_(step_) {}
    ~GrowableArray() { std::free(data_); }
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;
    // Moving hands the storage over, so records holding arrays can live in containers.
    GrowableArray(GrowableArray&& other) noexcept
        : data_(other.data_), count_(other.count_), capacity_(other.capacity_), step_(other.step_),
          firstStep_(other.firstStep_) {
        other.data_ = nullptr;
        other.count_ = other.capacity_ = 0;
    }
    GrowableArray& operator=(GrowableArray&& other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = other.data_;
            count_ = other.count_;
            capacity_ = other.capacity_;
            step_ = other.step_;
            firstStep_ = other.firstStep_;
            other.data_ = nullptr;
            other.count_ = other.capacity_ = 0;
        }
        return *this;
    }

    void append(const T& value) {
        if (count_ + 1 > capacity_) grow(count_ + 1);
        data_[count_++] = value;
    }
    void removeLast() {
        if (count_ > 0) --count_;
    }
    void clear() { count_ = 0; }
    // Frees the storage.
    void release() {
        std::free(data_);
        data_ = nullptr;
        count_ = capacity_ = 0;
        step_ = firstStep_;
    }
    // Gives back the room grown beyond the elements held. The growth step starts
    // over, or an array filled and trimmed again and again would double it past
    // any size.
    void shrinkToFit() {
        if (capacity_ == count_) return;
        if (count_ == 0) {
            release();
            return;
        }
        if (void* p = std::realloc(data_, sizeof(T) * static_cast<size_t>(count_))) {
            data_ = static_cast<T*>(p);
            capacity_ = count_;
            step_ = firstStep_;
        }
    }

    // Room for at least `capacity` elements; the growth step is left as it is.
    void reserve(int capacity) {
        if (capacity <= capacity_) return;
        void* p = std::realloc(data_, sizeof(T) * static_cast<size_t>(capacity));
        if (!p) throw std::bad_alloc();
        data_ = static_cast<T*>(p);
        capacity_ = capacity;
    }

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    int step() const { return step_; }
    T& operator[](int i) { return data_[i]; }
    const T& operator[](int i) const { return data_[i]; }
    T& last() { return data_[count_ - 1]; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    const T& last() const { return data_[count_ - 1]; }

private:
    void grow(int needed) {
        // The step doubles on every growth after the first allocation, so large
        // arrays reallocate rarely while small ones stay small.
        if (capacity_ != 0) step_ *= 2;
        int capacity = (needed / step_ + 1) * step_;
        void* p = std::realloc(data_, sizeof(T) * static_cast<size_t>(capacity));
        if (!p) throw std::bad_alloc();
        data_ = static_cast<T*>(p);
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
    int step_;
    int firstStep_;
};

}  // namespace fw
