// The open-box registry and the owner holds as plain tables: several boxes
// over one owner, an owner that was disabled before, an owner destroyed
// while a box holds it.

#include "ui/dialogs/open_boxes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

using msg::OpenBoxRegistry;
using msg::OwnerHolds;

namespace {

// Windows as a table: enabled flag, alive flag, and every EnableWindow call.
struct FakeWindows {
    std::map<HWND, bool> enabled;
    std::set<HWND> alive;
    std::vector<std::pair<HWND, bool>> calls;

    OwnerHolds holds()
    {
        return OwnerHolds(
            [this](HWND w, bool on) {
                calls.emplace_back(w, on);
                const bool wasDisabled = !enabled[w];
                enabled[w] = on;
                return wasDisabled;
            },
            [this](HWND w) { return alive.count(w) != 0; });
    }
};

HWND window(int n) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x100 + n)); }

} // namespace

TEST(OpenBoxRegistryTest, OneEntryPerOpenBoxOfTheSameText)
{
    OpenBoxRegistry registry;
    EXPECT_FALSE(registry.contains(L"a"));
    registry.add(L"a");
    registry.add(L"a");
    registry.add(L"b");
    EXPECT_TRUE(registry.contains(L"a"));
    registry.remove(L"a");
    EXPECT_TRUE(registry.contains(L"a")) << "the other box of that text is still open";
    registry.remove(L"a");
    EXPECT_FALSE(registry.contains(L"a"));
    registry.remove(L"never added");
    EXPECT_EQ(registry.size(), 1u);
}

TEST(OwnerHoldsTest, OwnerEnabledOnlyWhenTheLastHoldGoes)
{
    FakeWindows windows;
    windows.alive = {window(1)};
    windows.enabled[window(1)] = true;
    OwnerHolds holds = windows.holds();

    holds.hold(window(1));
    EXPECT_FALSE(windows.enabled[window(1)]);
    holds.hold(window(1));
    EXPECT_EQ(holds.holds(window(1)), 2);
    // Closing the first box (in either order) keeps the owner disabled.
    holds.release(window(1));
    EXPECT_FALSE(windows.enabled[window(1)]);
    holds.release(window(1));
    EXPECT_TRUE(windows.enabled[window(1)]);
    EXPECT_EQ(holds.holds(window(1)), 0);
    // A second release of a box that already let go changes nothing.
    holds.release(window(1));
    EXPECT_EQ(windows.calls.size(), 2u);
}

TEST(OwnerHoldsTest, DisabledBeforeStaysDisabledDeadOwnerUntouchedNoOwnerIgnored)
{
    FakeWindows windows;
    windows.alive = {window(1), window(2)};
    windows.enabled[window(1)] = false; // someone else disabled it
    windows.enabled[window(2)] = true;
    OwnerHolds holds = windows.holds();

    holds.hold(window(1));
    holds.release(window(1));
    EXPECT_FALSE(windows.enabled[window(1)]);

    holds.hold(window(2));
    windows.alive.erase(window(2)); // the owner is destroyed under the box
    const std::size_t before = windows.calls.size();
    holds.release(window(2));
    EXPECT_EQ(windows.calls.size(), before) << "a destroyed owner must not be touched";
    EXPECT_EQ(holds.holds(window(2)), 0);

    holds.hold(nullptr);
    holds.hold(window(3)); // never existed
    holds.release(nullptr);
    holds.release(window(3));
    EXPECT_EQ(windows.calls.size(), before);
}
