#include "model/download_rules.h"

#include <cwctype>

namespace download_rules {

SwitchDecision switchBand(std::uint32_t elapsedMs, int progress)
{
    SwitchDecision d;
    if (elapsedMs > 180000) {
        d.useSpare = true;
        d.logFormat = L"more than 3 minute, elapse = %d, progress = %d";
    } else if (elapsedMs > 120000) {
        d.useSpare = progress < 50;
        d.logFormat = L"more than 2 minute, elapse = %d, progress = %d";
    } else if (elapsedMs > 60000) {
        d.useSpare = progress < 20;
        d.logFormat = L"more than 1 minute, elapse = %d, progress = %d";
    } else if (elapsedMs > 30000) {
        d.useSpare = progress < 5;
        d.logFormat = L"more than 0.5 minute, elapse = %d, progress = %d";
    }
    if (!d.useSpare) d.logFormat = nullptr;
    return d;
}

bool progressDue(std::uint32_t now, std::uint32_t lastReported)
{
    // By elapsed time, so that the wrap of the tick counter neither floods
    // nor silences the reports; 0 marks a download that has just started.
    return lastReported == 0 || now - lastReported >= kProgressIntervalMs;
}

int reportedTotal(int received, int total)
{
    if (total != -1) return total;
    return received >= kUnknownTotal ? received + 1024 : kUnknownTotal;
}

int progressPercent(int received, int total)
{
    if (total <= 0) return 0;
    return static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100.0);
}

Amount finishedAmount(int received, int total)
{
    Amount amount;
    amount.received = received;
    amount.total = total > received ? total : received;
    return amount;
}

int leadingInteger(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 2147483647LL) value = 2147483648LL; // saturate: versions are small
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return static_cast<int>(value);
}

std::wstring installerArguments(const std::wstring& openId, const std::wstring& installDir)
{
    return L"-silence -downloader -openid=" + openId + L" -path=" + installDir;
}

std::wstring playerArgumentsForPackage(const std::wstring& package)
{
    if (package.empty()) return std::wstring();
    return L"downloadpackage=" + package + L"|package=" + package;
}

const std::vector<std::wstring>& processesToEnd()
{
    static const std::vector<std::wstring> names = {L"vpplayer.exe", L"zodovivevizez.exe", L"vpupdate.exe",
                                                    L"bugreport.exe"};
    return names;
}

std::wstring taskkillArguments(const std::wstring& processName) { return L"/F /IM " + processName + L" /T"; }

} // namespace download_rules
