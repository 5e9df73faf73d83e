#pragma once
// Which process opens a link. The installer runs elevated; a browser started
// by it would run elevated too, and so would every page the user then
// visits. So an elevated installer has the desktop's shell open links, at
// the user's own level; where that way does not exist (Windows XP, no shell
// running), the installer opens them itself as before.

#include "utility/desktop_shell.h"

#include <functional>
#include <string>

namespace utility {
namespace usystem {

struct LinkFacts {
    bool elevated = false;
    unsigned long osMajor = 0;  // 5: the XP family
    bool desktopShell = false;  // the shell's desktop window exists
};

enum class LinkPath { DesktopShell, OwnProcess };

struct LinkChoice {
    LinkPath path;
    const wchar_t* reason; // for the log
};

LinkChoice chooseLinkPath(const LinkFacts& facts);

// The running system's facts.
LinkFacts currentLinkFacts();

// Tests replace the facts and the desktop's shell; an empty function means
// the real one. User-interface thread only.
struct LinkSeams {
    std::function<LinkFacts()> facts;
    std::function<DesktopShellResult(const std::wstring& file, const std::wstring& parameters)> desktopShell;
};
void setLinkSeamsForTesting(LinkSeams seams);
const LinkSeams& linkSeams();

// True for web addresses, and when the link's scheme names a program that
// opens it ("shell\open\command" of the scheme's class); the shell has
// nothing to start otherwise.
bool schemeHasHandler(const std::wstring& url);

} // namespace usystem
} // namespace utility
