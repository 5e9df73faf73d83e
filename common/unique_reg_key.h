#pragma once
// Sole owner of an open registry key: closed exactly once, never copied.

#include <windows.h>

namespace common {

class UniqueRegKey {
public:
    UniqueRegKey() = default;
    ~UniqueRegKey()
    {
        if (key_) ::RegCloseKey(key_);
    }
    UniqueRegKey(const UniqueRegKey&) = delete;
    UniqueRegKey& operator=(const UniqueRegKey&) = delete;

    // For the calls that open or create a key into an out parameter.
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace common
