#pragma once
// What the open message boxes share (user-interface thread only): the
// texts of the open boxes, so one text is never shown twice at once, and
// the holds on each owner window, so an owner under two boxes is enabled
// only when the last of them closes.

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace msg {

class OpenBoxRegistry {
public:
    static OpenBoxRegistry& instance();

    bool contains(const std::wstring& text) const { return texts_.count(text) != 0; }
    void add(const std::wstring& text) { texts_.insert(text); }
    // Removes one entry of the text, if any.
    void remove(const std::wstring& text);
    std::size_t size() const { return texts_.size(); }

private:
    std::multiset<std::wstring> texts_;
};

// Disables an owner for its first hold and enables it again when its last
// hold is released, unless it was disabled before the first hold or no
// longer exists.
class OwnerHolds {
public:
    // enable(window, on) returns whether the window was disabled before,
    // as EnableWindow does; exists(window) whether the handle is alive.
    using Enable = std::function<bool(HWND, bool)>;
    using Exists = std::function<bool(HWND)>;

    OwnerHolds();
    OwnerHolds(Enable enable, Exists exists);
    static OwnerHolds& instance();

    void hold(HWND owner);
    void release(HWND owner);
    int holds(HWND owner) const;

private:
    struct Entry {
        int count = 0;
        bool wasDisabled = false;
    };
    Enable enable_;
    Exists exists_;
    std::map<HWND, Entry> owners_;
};

} // namespace msg
