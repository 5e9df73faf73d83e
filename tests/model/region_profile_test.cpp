#include "model/region_profile.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Whatever this build configured, the paths and roles stay as they are.
std::wstring host(const std::wstring& role) { return L"http://" + role; }

} // namespace

TEST(RegionProfileTest, TableHoldsTheSevenRowsInOrderWithTheirValues)
{
    const wchar_t* locales[] = {L"zh_CN", L"zh_TW", L"ko_KR", L"en_US", L"ru_RU", L"vi_VN", L"th_TH"};
    const wchar_t* codes[] = {L"vpplayer",    L"vpplayer-tw", L"vpplayer-kr", L"vpplayer-en",
                              L"vpplayer-ru", L"vpplayer-vn", L"vpplayer-th"};
    for (std::size_t i = 0; i < region::kRowCount; ++i) {
        const RegionProfile p = region::row(i);
        EXPECT_EQ(p.locale, locales[i]);
        EXPECT_EQ(p.codeName, codes[i]);
        EXPECT_EQ(p.displayName, L"Kolvex");
        EXPECT_EQ(p.netAddress, L"0.0.0.0");
        EXPECT_EQ(p.netAddress2, L"0.0.0.0");
        EXPECT_EQ(p.netMask, L"255.255.255.0");
        EXPECT_EQ(p.dns1, i == 0 ? L"223.5.5.5" : L"8.8.8.8");
        EXPECT_EQ(p.dns2, i == 0 ? L"114.114.114.114" : L"8.8.4.4");
    }
    EXPECT_EQ(region::row(3).longitude, -77.07136000000003);
    EXPECT_EQ(region::row(2).latitude, 37.55339956370328);
    EXPECT_EQ(region::row(0).longitude, 116.404);
}

TEST(RegionProfileTest, AddressesFollowTheirHostRoles)
{
    const ServiceHosts h = region::configuredHosts();
    const RegionProfile cn = region::row(0);
    EXPECT_EQ(cn.resourceBase, host(h.cnResource) + L"/kx/tarnwell");
    EXPECT_EQ(cn.locationPage, host(h.cnResource) + L"/kxpkz_file/location_web/location.html");
    EXPECT_EQ(cn.filesBase, host(h.cnResource) + L"/pkzfile/");
    EXPECT_EQ(cn.checkVersionUrl, host(h.api[0]) + L"/checkVersion2?");
    EXPECT_EQ(cn.playerVersionUrl, host(h.info) + L"/checkPkzVersion?");

    const RegionProfile kr = region::row(2);
    EXPECT_EQ(kr.resourceBase, host(h.overseasResource) + L"/player_files/kr/tarnwell");
    EXPECT_EQ(kr.filesBase, host(h.overseasResource) + L"/player_files/kr/");
    EXPECT_EQ(kr.playerVersionUrl, host(h.api[2]) + L"/checkPkzVersion?");

    std::set<std::wstring> locationPages;
    for (std::size_t i = 1; i < region::kRowCount; ++i) locationPages.insert(region::row(i).locationPage);
    EXPECT_EQ(locationPages.size(), 1u);
    EXPECT_NE(*locationPages.begin(), cn.locationPage);

    for (std::size_t i = 0; i < region::kRowCount; ++i)
        EXPECT_EQ(region::row(i).statisticsUrl,
                  host(h.api[i]) + L"/statisticsPkzEvent?sv={Version}&openid={OpenId}&m={MachineId}"
                                   L"&event_key={EventKey}&event_value={EventValue}&event_type={EventType}");
}

TEST(RegionProfileTest, ActiveProfileAndServiceAddressesAreOnTheZhCnRow)
{
    EXPECT_EQ(region::active().locale, L"zh_CN");
    EXPECT_EQ(region::playerVersionLookupUrl(), region::row(0).resourceBase);

    ServiceHosts mine = region::configuredHosts();
    mine.cnResource = L"127.0.0.1:40001";
    mine.info = L"127.0.0.1:40002";
    region::setHostsForTesting(mine);
    EXPECT_EQ(region::playerVersionLookupUrl(), L"http://127.0.0.1:40001/kx/tarnwell");
    EXPECT_EQ(region::fallbackInstallerUrl(), L"http://127.0.0.1:40001/download/release/rizodi.exe");
    EXPECT_EQ(region::gameLookupUrl(L"12345"), L"http://127.0.0.1:40002/getGameInfo2?appid=12345");
    EXPECT_EQ(region::gameLookupUrl(L"a-b.c_d~9"), L"http://127.0.0.1:40002/getGameInfo2?appid=a-b.c_d~9");
    // Nothing from the file name can end the query or the request line.
    EXPECT_EQ(region::gameLookupUrl(L"12 3#4&x=游"),
              L"http://127.0.0.1:40002/getGameInfo2?appid=12%203%234%26x%3D%E6%B8%B8");
    region::resetHostsForTesting();
    EXPECT_EQ(region::fallbackInstallerUrl(), host(region::configuredHosts().cnResource) + L"/download/release/rizodi.exe");
}
