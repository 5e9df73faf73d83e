#pragma once
// What happens with the first game once the emulator is installed, and the
// texts and command lines that carry a game to the emulator's programs.
// Plain functions: the window and the model only act on their results.

#include "model/game_record.h"

#include <string>
#include <vector>

enum class GameHandover {
    None,          // no game: the player starts for the model's package
    StoreForm,     // the player fetches the game from the store address
    GameIdForm,    // the player fetches the game by its id
    FetchPackages, // the installer downloads and installs the packages itself
    PackageForm,   // the player fetches the game by its package name
};

struct HandoverDecision {
    GameHandover form = GameHandover::None;
    std::wstring arguments; // the player's argument text; empty for None and FetchPackages
};

// The form a record takes, first condition that holds.
GameHandover handoverForm(const GameRecord& game);
// The player's argument text of a record; empty for FetchPackages.
std::wstring playerArgumentText(const GameRecord& game);
// Only the first record decides.
HandoverDecision decideGameHandover(const std::vector<GameRecord>& games);

// The player joins keys with "|" and values of the store form with ";": a
// value that holds either would add or change keys. Names the first field
// of the record's form that does ("package", "url", ...), else null.
const wchar_t* unsafeArgumentField(const GameRecord& game);

// File names of the packages, in list order, without folder and ".apk".
// Built from the game's name so that no name can leave the install folder
// or name a device: separators, "..", drive letters, characters Windows
// forbids, control characters and reserved names (CON, NUL, COM1, ...) are
// removed or defused; an empty result falls back to the package name, then
// to "game". Equal names get " (2)", " (3)", ... so no package overwrites
// another.
std::vector<std::wstring> packageFileStems(const std::vector<GameRecord>& games);
std::wstring safeFileStem(const std::wstring& text);

// The console tool's parameters. The file is quoted so that it stays one
// argument; empty when it cannot be (a double quote inside).
std::wstring installApkParameters(const std::wstring& file);
// Empty when the resolution is not a plain value (letters, digits and
// ",.x*-_" only): it is not quoted and must not add arguments.
std::wstring resolutionParameters(const std::wstring& resolution);
// The player's start with a package installed by the installer; empty
// package or one with a separator: "package=" alone.
std::wstring packageStartArguments(const std::wstring& package);
