#include "model/game_handover.h"

#include "utility/text.h"

#include <cwctype>
#include <set>

namespace {

const wchar_t kArgumentHead[] = L"apk=|show=true|package=";

bool hasSeparator(const std::wstring& value) { return value.find_first_of(L"|;") != std::wstring::npos; }

// Windows opens these as devices whatever the extension: "CON.apk" is CON.
bool isReservedName(const std::wstring& stem)
{
    std::wstring base = stem.substr(0, stem.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(c));
    static const std::set<std::wstring> names = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    if (names.count(base)) return true;
    if (base.size() != 4) return false;
    const std::wstring head = base.substr(0, 3);
    const wchar_t digit = base[3];
    const bool isDigit = (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                         digit == L'\u00B3';
    return (head == L"COM" || head == L"LPT") && isDigit;
}

bool isForbidden(wchar_t c)
{
    return c < 0x20 || c == 0x7F || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos;
}

// Windows drops trailing dots and blanks from a file name; leading blanks
// only confuse.
void trimEnds(std::wstring& text)
{
    while (!text.empty() && (text.back() == L'.' || text.back() == L' ')) text.pop_back();
    const std::size_t first = text.find_first_not_of(L' ');
    text.erase(0, first == std::wstring::npos ? text.size() : first);
}

constexpr std::size_t kMaxStem = 100;

} // namespace

GameHandover handoverForm(const GameRecord& game)
{
    if (game.fromAppStore) return GameHandover::StoreForm;
    if (!game.gameId.empty()) return GameHandover::GameIdForm;
    if (game.package.empty() || !game.url.empty()) return GameHandover::FetchPackages;
    return GameHandover::PackageForm;
}

std::wstring playerArgumentText(const GameRecord& game)
{
    switch (handoverForm(game)) {
    case GameHandover::StoreForm:
        return kArgumentHead + game.package + L"|downloadapkurl=" + game.url + L";S.package=" + game.package +
               L";S.appname=" + game.name + L";S.appicon=" + game.icon + L";S.appsize=96";
    case GameHandover::GameIdForm:
        return kArgumentHead + game.package + L"|downloadgameid=" + game.gameId;
    case GameHandover::PackageForm:
        return kArgumentHead + game.package + L"|downloadpackage=" + game.package;
    default:
        return std::wstring();
    }
}

HandoverDecision decideGameHandover(const std::vector<GameRecord>& games)
{
    HandoverDecision decision;
    if (games.empty()) return decision;
    decision.form = handoverForm(games.front());
    decision.arguments = playerArgumentText(games.front());
    return decision;
}

const wchar_t* unsafeArgumentField(const GameRecord& game)
{
    // The package reaches every form, also the start after a fetch.
    if (hasSeparator(game.package)) return L"package";
    switch (handoverForm(game)) {
    case GameHandover::StoreForm:
        if (hasSeparator(game.url)) return L"url";
        if (hasSeparator(game.name)) return L"name";
        if (hasSeparator(game.icon)) return L"icon";
        return nullptr;
    case GameHandover::GameIdForm:
        return hasSeparator(game.gameId) ? L"gameid" : nullptr;
    default:
        return nullptr;
    }
}

std::wstring safeFileStem(const std::wstring& text)
{
    std::wstring stem;
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F) continue;
        stem.push_back(isForbidden(c) ? L'_' : c);
    }
    trimEnds(stem);
    if (stem.size() > kMaxStem) {
        std::size_t cut = kMaxStem;
        // Never half a surrogate pair.
        if (stem[cut - 1] >= 0xD800 && stem[cut - 1] <= 0xDBFF) --cut;
        stem.resize(cut);
        trimEnds(stem);
    }
    if (!stem.empty() && isReservedName(stem)) stem.insert(0, 1, L'_');
    return stem;
}

std::vector<std::wstring> packageFileStems(const std::vector<GameRecord>& games)
{
    std::vector<std::wstring> stems;
    std::set<std::wstring> taken;
    for (const GameRecord& game : games) {
        std::wstring stem = safeFileStem(game.name);
        if (stem.empty()) stem = safeFileStem(game.package);
        if (stem.empty()) stem = L"game";
        std::wstring unique = stem;
        for (int n = 2; taken.count(utility::lowered(unique)); ++n) unique = stem + L" (" + std::to_wstring(n) + L")";
        taken.insert(utility::lowered(unique));
        stems.push_back(unique);
    }
    return stems;
}

std::wstring installApkParameters(const std::wstring& file)
{
    if (file.empty() || file.find(L'"') != std::wstring::npos) return std::wstring();
    // Backslashes before the closing quote would escape it.
    std::wstring quoted = file;
    std::size_t trailing = 0;
    while (trailing < quoted.size() && quoted[quoted.size() - 1 - trailing] == L'\\') ++trailing;
    quoted.append(trailing, L'\\');
    return L"installapk --index 0 --filename \"" + quoted + L"\" --wait --hide";
}

std::wstring resolutionParameters(const std::wstring& resolution)
{
    if (resolution.empty() || resolution.size() > 32) return std::wstring();
    for (wchar_t c : resolution) {
        const bool plain = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                           std::wstring(L",.x*-_").find(c) != std::wstring::npos;
        if (!plain) return std::wstring();
    }
    return L"modify --index 0 --resolution " + resolution;
}

std::wstring packageStartArguments(const std::wstring& package)
{
    return L"package=" + (hasSeparator(package) ? std::wstring() : package);
}
