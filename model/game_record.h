#pragma once
// One game to install into the emulator or to hand to its player.

#include <string>

struct GameRecord {
    std::wstring url;
    std::wstring package;
    std::wstring name;
    std::wstring icon;
    std::wstring resolution;
    std::wstring gameId;
    bool fromAppStore = false;
};
