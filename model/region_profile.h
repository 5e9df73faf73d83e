#pragma once
// The regional profiles of the emulator product family and the service
// addresses this installer uses (all on hosts of the zh_CN row).

#include <cstddef>
#include <string>

struct RegionProfile {
    std::wstring locale;
    std::wstring codeName;
    std::wstring displayName;
    double longitude;
    double latitude;
    std::wstring resourceBase;
    std::wstring locationPage;
    std::wstring filesBase;
    std::wstring checkVersionUrl;
    std::wstring statisticsUrl;
    std::wstring playerVersionUrl;
    std::wstring netAddress;
    std::wstring netAddress2;
    std::wstring netMask;
    std::wstring dns1;
    std::wstring dns2;
};

// Host of each role; the build's configuration unless a test replaced it.
struct ServiceHosts {
    std::wstring cnResource;
    std::wstring overseasResource;
    std::wstring info;
    std::wstring api[7]; // one per row, in row order
};

namespace region {

constexpr std::size_t kRowCount = 7;

ServiceHosts configuredHosts();
// Tests point the services at their own loopback peer; called before the
// table is first read, or followed by a fresh read.
void setHostsForTesting(const ServiceHosts& hosts);
void resetHostsForTesting();

// The table row; index below kRowCount.
RegionProfile row(std::size_t index);
// The active profile: always the zh_CN row.
RegionProfile active();

// The three addresses of this program.
std::wstring playerVersionLookupUrl();
std::wstring fallbackInstallerUrl();
std::wstring gameLookupUrl(const std::wstring& openId);

} // namespace region
