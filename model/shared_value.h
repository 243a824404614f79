#pragma once
// A small value that the window's thread and one worker may touch at the same
// time (tick flags, the busy counter, the loaded flag). It copies by value so
// that records can still be built, moved and compared while nobody else sees them.

#include <atomic>

template <typename T>
class SharedValue {
public:
    SharedValue(T value = T{}) noexcept : value_(value) {}
    SharedValue(const SharedValue& other) noexcept : value_(other.load()) {}
    SharedValue& operator=(const SharedValue& other) noexcept
    {
        store(other.load());
        return *this;
    }
    SharedValue& operator=(T value) noexcept
    {
        store(value);
        return *this;
    }

    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(std::memory_order_acquire); }
    void store(T value) noexcept { value_.store(value, std::memory_order_release); }
    T operator++() noexcept { return static_cast<T>(value_.fetch_add(1, std::memory_order_acq_rel) + 1); }
    T operator--() noexcept { return static_cast<T>(value_.fetch_sub(1, std::memory_order_acq_rel) - 1); }

private:
    std::atomic<T> value_;
};
