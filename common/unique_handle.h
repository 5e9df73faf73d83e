#pragma once
// Sole owner of a Win32 kernel handle: closed exactly once, never copied.

#include <windows.h>

namespace common {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(isValid(h) ? h : nullptr) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

    HANDLE release()
    {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }

    void reset(HANDLE h = nullptr)
    {
        if (h_) ::CloseHandle(h_);
        h_ = isValid(h) ? h : nullptr;
    }

private:
    // Some calls fail with NULL, others with INVALID_HANDLE_VALUE.
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

    HANDLE h_ = nullptr;
};

} // namespace common
