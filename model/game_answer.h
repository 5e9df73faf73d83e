#pragma once
// The game-information service's answer: {"result": [{game}, ...]}.

#include "model/game_record.h"

#include <string>
#include <vector>

struct GameAnswer {
    // In answer order; only entries with an address, a game id or a package,
    // whose values cannot change the player's argument text.
    std::vector<GameRecord> games;
    // The last "app_package_name" of a usable entry (it replaces the
    // model's package, even when empty); packageGiven tells whether any came.
    std::wstring lastPackage;
    bool packageGiven = false;
    // Entries left out because a value carried an argument separator: for
    // each, the name of the first offending field.
    std::vector<std::wstring> dropped;
};

// False when the body is not JSON with an object root holding a "result"
// array; then nothing is taken.
bool parseGameAnswer(const std::string& utf8Body, GameAnswer& answer);
