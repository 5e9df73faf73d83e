#pragma once
// The player-version service's answer: {"pkz": {"ver", "url", "url_spare", "md5"}}.

#include <string>

struct VersionAnswer {
    // A member that is absent or not a string leaves its text unchanged.
    std::wstring ver;
    std::wstring url;
    std::wstring urlSpare;
    std::wstring md5;
};

// False when the body is not JSON with an object root; a root without a
// "pkz" object is an answer with nothing in it.
bool parseVersionAnswer(const std::string& utf8Body, VersionAnswer& answer);
