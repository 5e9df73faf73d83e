#include "model/game_answer.h"

#include "model/game_handover.h"
#include "utility/text.h"

#include <rapidjson/document.h>

namespace {

// A member that is absent or not a string is treated as absent.
const rapidjson::Value* stringMember(const rapidjson::Value& object, const char* name)
{
    const auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsString()) return nullptr;
    return &member->value;
}

std::string bytesOf(const rapidjson::Value& value) { return std::string(value.GetString(), value.GetStringLength()); }

void takeUtf8(const rapidjson::Value& object, const char* name, std::wstring& field)
{
    if (const rapidjson::Value* value = stringMember(object, name)) field = utility::utf8ToWide(bytesOf(*value));
}

void takeAnsi(const rapidjson::Value& object, const char* name, std::wstring& field)
{
    if (const rapidjson::Value* value = stringMember(object, name)) field = utility::ansiToWide(bytesOf(*value));
}

} // namespace

bool parseGameAnswer(const std::string& utf8Body, GameAnswer& answer)
{
    rapidjson::Document document;
    // Iteratively: an answer nested deep within the size cap must not
    // overflow the worker's stack.
    document.Parse<rapidjson::kParseIterativeFlag>(utf8Body.data(), utf8Body.size());
    if (document.HasParseError() || !document.IsObject()) return false;
    const auto result = document.FindMember("result");
    if (result == document.MemberEnd() || !result->value.IsArray()) return false;
    for (const rapidjson::Value& entry : result->value.GetArray()) {
        if (!entry.IsObject()) continue;
        GameRecord game;
        takeUtf8(entry, "app_download_url", game.url);
        takeUtf8(entry, "app_package_name", game.package);
        takeUtf8(entry, "gamename", game.name);
        takeUtf8(entry, "game_slt_url", game.icon);
        takeAnsi(entry, "resolution", game.resolution);
        takeAnsi(entry, "gameid", game.gameId);
        if (const rapidjson::Value* store = stringMember(entry, "from_appstore")) game.fromAppStore = bytesOf(*store) == "1";
        if (const wchar_t* field = unsafeArgumentField(game)) {
            answer.dropped.push_back(field);
            continue;
        }
        if (stringMember(entry, "app_package_name")) {
            answer.lastPackage = game.package;
            answer.packageGiven = true;
        }
        if (game.url.empty() && game.gameId.empty() && game.package.empty()) continue;
        answer.games.push_back(game);
    }
    return true;
}
