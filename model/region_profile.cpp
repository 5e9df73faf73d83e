#include "model/region_profile.h"

#include "model/service_hosts.h"
#include "utility/text.h"

#include <mutex>

namespace region {

namespace {

const wchar_t* const kStatisticsPath = L"/statisticsPkzEvent?sv={Version}&openid={OpenId}&m={MachineId}"
                                       L"&event_key={EventKey}&event_value={EventValue}&event_type={EventType}";

struct RowData {
    const wchar_t* locale;
    const wchar_t* codeName;
    const wchar_t* regionWord; // path word of rows 2 to 7
    double longitude;
    double latitude;
    const wchar_t* dns1;
    const wchar_t* dns2;
};

const RowData kRows[kRowCount] = {
    {L"zh_CN", L"vpplayer", L"", 116.404, 39.915, L"223.5.5.5", L"114.114.114.114"},
    {L"zh_TW", L"vpplayer-tw", L"tw", 121.520076, 25.030724, L"8.8.8.8", L"8.8.4.4"},
    {L"ko_KR", L"vpplayer-kr", L"kr", 126.98780390386581, 37.55339956370328, L"8.8.8.8", L"8.8.4.4"},
    {L"en_US", L"vpplayer-en", L"en", -77.07136000000003, 38.8944, L"8.8.8.8", L"8.8.4.4"},
    {L"ru_RU", L"vpplayer-ru", L"ru", 37.631319, 55.750966, L"8.8.8.8", L"8.8.4.4"},
    {L"vi_VN", L"vpplayer-vn", L"vn", 105.84009, 21.03438, L"8.8.8.8", L"8.8.4.4"},
    {L"th_TH", L"vpplayer-th", L"th", 100.5310228863, 13.6974278, L"8.8.8.8", L"8.8.4.4"},
};

std::mutex g_lock;
bool g_overridden = false;
ServiceHosts g_hosts;

ServiceHosts hosts()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_overridden ? g_hosts : configuredHosts();
}

std::wstring http(const std::wstring& host) { return L"http://" + host; }

} // namespace

ServiceHosts configuredHosts()
{
    ServiceHosts h;
    h.cnResource = KOLVEX_HOST_CN_RESOURCE;
    h.overseasResource = KOLVEX_HOST_OVERSEAS_RESOURCE;
    h.info = KOLVEX_HOST_INFO;
    const wchar_t* api[kRowCount] = {KOLVEX_HOST_API_CN, KOLVEX_HOST_API_TW, KOLVEX_HOST_API_KR, KOLVEX_HOST_API_EN,
                                     KOLVEX_HOST_API_RU, KOLVEX_HOST_API_VN, KOLVEX_HOST_API_TH};
    for (std::size_t i = 0; i < kRowCount; ++i) h.api[i] = api[i];
    return h;
}

void setHostsForTesting(const ServiceHosts& replacement)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_hosts = replacement;
    g_overridden = true;
}

void resetHostsForTesting()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_overridden = false;
}

RegionProfile row(std::size_t index)
{
    if (index >= kRowCount) index = 0;
    const RowData& d = kRows[index];
    const ServiceHosts h = hosts();
    const std::wstring api = http(h.api[index]);
    RegionProfile p;
    p.locale = d.locale;
    p.codeName = d.codeName;
    p.displayName = L"Kolvex";
    p.longitude = d.longitude;
    p.latitude = d.latitude;
    if (index == 0) {
        const std::wstring cn = http(h.cnResource);
        p.resourceBase = cn + L"/kx/tarnwell";
        p.locationPage = cn + L"/kxpkz_file/location_web/location.html";
        p.filesBase = cn + L"/pkzfile/";
        p.playerVersionUrl = http(h.info) + L"/checkPkzVersion?";
    } else {
        const std::wstring overseas = http(h.overseasResource);
        const std::wstring word = d.regionWord;
        p.resourceBase = overseas + L"/player_files/" + word + L"/tarnwell";
        p.locationPage = overseas + L"/player_files/location_web/location.html";
        p.filesBase = overseas + L"/player_files/" + word + L"/";
        p.playerVersionUrl = api + L"/checkPkzVersion?";
    }
    p.checkVersionUrl = api + L"/checkVersion2?";
    p.statisticsUrl = api + kStatisticsPath;
    p.netAddress = L"0.0.0.0";
    p.netAddress2 = L"0.0.0.0";
    p.netMask = L"255.255.255.0";
    p.dns1 = d.dns1;
    p.dns2 = d.dns2;
    return p;
}

RegionProfile active() { return row(0); }

std::wstring playerVersionLookupUrl() { return row(0).resourceBase; }

std::wstring fallbackInstallerUrl() { return http(hosts().cnResource) + L"/download/release/rizodi.exe"; }

std::wstring gameLookupUrl(const std::wstring& openId)
{
    // The openID comes from the file name: anything but a plain word is
    // escaped, so it can never end the query or the request line.
    std::wstring query;
    for (unsigned char byte : utility::wideToUtf8(openId)) {
        const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            query.push_back(static_cast<wchar_t>(byte));
        } else {
            static const wchar_t hex[] = L"0123456789ABCDEF";
            query += {L'%', hex[byte >> 4], hex[byte & 15]};
        }
    }
    return http(hosts().info) + L"/getGameInfo2?appid=" + query;
}

} // namespace region
