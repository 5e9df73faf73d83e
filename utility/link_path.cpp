#include "utility/link_path.h"

#include "common/unique_handle.h"
#include "common/unique_reg_key.h"
#include "utility/system.h"

#include <windows.h>

#include <cwchar>

namespace utility {
namespace usystem {

namespace {

LinkSeams g_seams;

// TOKEN_INFORMATION_CLASS TokenElevation (Vista on; XP's headers lack it).
constexpr int kTokenElevation = 20;

bool processElevated()
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    common::UniqueHandle token(raw);
    DWORD elevated = 0;
    DWORD size = 0;
    // Fails on XP, which has no split token: nothing runs elevated there.
    if (!::GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevation), &elevated,
                               sizeof(elevated), &size))
        return false;
    return elevated != 0;
}

} // namespace

LinkChoice chooseLinkPath(const LinkFacts& facts)
{
    if (facts.osMajor < 6) return {LinkPath::OwnProcess, L"Windows XP family: no elevated process"};
    if (!facts.elevated) return {LinkPath::OwnProcess, L"not elevated"};
    if (!facts.desktopShell) return {LinkPath::OwnProcess, L"elevated, but no desktop shell runs"};
    return {LinkPath::DesktopShell, L"elevated: the desktop's shell opens it at the user's level"};
}

LinkFacts currentLinkFacts()
{
    LinkFacts facts;
    facts.osMajor = osMajorVersion();
    facts.elevated = processElevated();
    facts.desktopShell = ::GetShellWindow() != nullptr;
    return facts;
}

void setLinkSeamsForTesting(LinkSeams seams) { g_seams = std::move(seams); }

const LinkSeams& linkSeams() { return g_seams; }

bool schemeHasHandler(const std::wstring& url)
{
    const std::size_t colon = url.find(L':');
    if (colon == std::wstring::npos || colon == 0) return false;
    const std::wstring scheme = url.substr(0, colon);
    // Web addresses go to the user's chosen browser, which the class key
    // need not show.
    if (_wcsicmp(scheme.c_str(), L"http") == 0 || _wcsicmp(scheme.c_str(), L"https") == 0) return true;
    const std::wstring key = scheme + L"\\shell\\open\\command";
    common::UniqueRegKey command;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, command.out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD bytes = 0;
    return ::RegQueryValueExW(command.get(), nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
           (type == REG_SZ || type == REG_EXPAND_SZ) && bytes > sizeof(wchar_t);
}

} // namespace usystem
} // namespace utility
