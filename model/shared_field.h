#pragma once
// A value written by one thread and read by others: every access copies
// under the value's own lock, which is never held while other code runs.
// Writes to several fields become visible in the order they were made.

#include <mutex>
#include <utility>

template <class T>
class SharedField {
public:
    SharedField() = default;
    explicit SharedField(T value) : value_(std::move(value)) {}
    SharedField(const SharedField&) = delete;
    SharedField& operator=(const SharedField&) = delete;

    T get() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return value_;
    }

    void set(T value)
    {
        std::lock_guard<std::mutex> guard(lock_);
        value_ = std::move(value);
    }

    // Changes the value in place, e.g. appends to a list.
    template <class F>
    void update(F change)
    {
        std::lock_guard<std::mutex> guard(lock_);
        change(value_);
    }

private:
    mutable std::mutex lock_;
    T value_{};
};
