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

bool isWebPageType(const std::string& contentType)
{
    std::string type = contentType.substr(0, contentType.find(';'));
    std::string lower;
    for (char c : type) {
        if (c == ' ' || c == '\t') continue;
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lower == "text/html" || lower == "application/xhtml+xml";
}

bool startsLikeProgram(const unsigned char* data, int size)
{
    if (size >= 1 && data[0] != 'M') return false;
    return size < 2 || data[1] == 'Z';
}

std::wstring firstBytesText(const unsigned char* data, int size)
{
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text;
    for (int i = 0; i < size && i < 16; ++i) {
        const unsigned char c = data[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<wchar_t>(c);
        } else {
            text += L"\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text;
}

DownloadFailure failureOf(const DownloadTally& tally)
{
    if (tally.diskFull) return DownloadFailure::DiskFull;
    if (tally.refusedFiles > 0) return DownloadFailure::Refused;
    if (tally.webPages > 0 && tally.otherEnds == 0) return DownloadFailure::WebPage;
    return DownloadFailure::Network;
}

RunOutcome outcomeOf(DownloadFailure failure)
{
    switch (failure) {
    case DownloadFailure::Network: return RunOutcome::DownloadFailed;
    case DownloadFailure::DiskFull: return RunOutcome::DiskFull;
    case DownloadFailure::WebPage: return RunOutcome::WebPage;
    case DownloadFailure::Refused: return RunOutcome::InstallerRefused;
    }
    return RunOutcome::DownloadFailed;
}

AfterInstall afterInstallation(InstallerEnd end, bool playerPresent)
{
    AfterInstall after;
    switch (end) {
    case InstallerEnd::Refused:
        after.stopAs = RunOutcome::InstallerRefused;
        after.reason = L"the installer's signature was refused";
        return after;
    case InstallerEnd::NotStarted:
        after.reason = L"the installer could not be started";
        return after;
    case InstallerEnd::Succeeded:
    case InstallerEnd::ExitCode:
    case InstallerEnd::TimedOut:
        break;
    }
    after.goOn = playerPresent;
    if (!playerPresent)
        after.reason = end == InstallerEnd::Succeeded  ? L"the installer ended with 0 but left no player"
                       : end == InstallerEnd::TimedOut ? L"the installer ran past its limit and left no player"
                                                       : L"the installer failed and left no player";
    else if (end != InstallerEnd::Succeeded)
        after.reason = L"the installer reported a failure, but the player is there";
    return after;
}

} // namespace download_rules
