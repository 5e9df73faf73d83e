// The game answer, and what the installer makes of each game: the player's
// argument text, the package's file name and the console tool's parameters.
// Whatever the service says, a game must not add argument keys, leave the
// install folder or split the console tool's arguments.
#include "model/game_answer.h"
#include "model/game_handover.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

std::size_t count(const std::wstring& text, wchar_t c) { return std::count(text.begin(), text.end(), c); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    GameAnswer answer;
    if (!parseGameAnswer(std::string(reinterpret_cast<const char*>(data), size), answer)) return 0;
    for (const GameRecord& game : answer.games) {
        const std::wstring text = playerArgumentText(game);
        switch (handoverForm(game)) {
        case GameHandover::StoreForm:
            if (count(text, L'|') != 3 || count(text, L';') != 4) __builtin_trap();
            break;
        case GameHandover::GameIdForm:
        case GameHandover::PackageForm:
            if (count(text, L'|') != 3 || count(text, L';') != 0) __builtin_trap();
            break;
        default:
            if (!text.empty()) __builtin_trap();
        }
        resolutionParameters(game.resolution);
    }
    for (const std::wstring& stem : packageFileStems(answer.games)) {
        if (stem.empty() || stem.size() > 120) __builtin_trap();
        for (wchar_t c : stem)
            if (c < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos) __builtin_trap();
        if (stem.back() == L'.' || stem.back() == L' ') __builtin_trap();
        const std::wstring parameters = installApkParameters(L"D:\\Bexmoor\\vpplayer2\\" + stem + L".apk");
        if (parameters.empty() || count(parameters, L'"') != 2) __builtin_trap();
    }
    return 0;
}
