#include "ui/dialogs/open_boxes.h"

namespace msg {

OpenBoxRegistry& OpenBoxRegistry::instance()
{
    static OpenBoxRegistry registry;
    return registry;
}

void OpenBoxRegistry::remove(const std::wstring& text)
{
    const auto found = texts_.find(text);
    if (found != texts_.end()) texts_.erase(found);
}

OwnerHolds::OwnerHolds()
    : OwnerHolds([](HWND window, bool on) { return ::EnableWindow(window, on ? TRUE : FALSE) != FALSE; },
                 [](HWND window) { return ::IsWindow(window) != FALSE; })
{
}

OwnerHolds::OwnerHolds(Enable enable, Exists exists) : enable_(std::move(enable)), exists_(std::move(exists)) {}

OwnerHolds& OwnerHolds::instance()
{
    static OwnerHolds holds;
    return holds;
}

void OwnerHolds::hold(HWND owner)
{
    if (!owner || !exists_(owner)) return;
    Entry& entry = owners_[owner];
    if (entry.count++ == 0) entry.wasDisabled = enable_(owner, false);
}

void OwnerHolds::release(HWND owner)
{
    const auto found = owners_.find(owner);
    if (found == owners_.end()) return;
    if (--found->second.count > 0) return;
    const bool wasDisabled = found->second.wasDisabled;
    owners_.erase(found);
    // An owner destroyed meanwhile is not touched.
    if (!wasDisabled && exists_(owner)) enable_(owner, true);
}

int OwnerHolds::holds(HWND owner) const
{
    const auto found = owners_.find(owner);
    return found == owners_.end() ? 0 : found->second.count;
}

} // namespace msg
