#include "model/version_answer.h"

#include "utility/text.h"

#include <rapidjson/document.h>

namespace {

void takeString(const rapidjson::Value& object, const char* name, std::wstring& field)
{
    const auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsString()) return;
    field = utility::utf8ToWide(std::string(member->value.GetString(), member->value.GetStringLength()));
}

} // namespace

bool parseVersionAnswer(const std::string& utf8Body, VersionAnswer& answer)
{
    rapidjson::Document document;
    // Iterative: nesting as deep as the answer allows must not exhaust the stack.
    document.Parse<rapidjson::kParseIterativeFlag>(utf8Body.data(), utf8Body.size());
    if (document.HasParseError() || !document.IsObject()) return false;
    const auto pkz = document.FindMember("pkz");
    if (pkz == document.MemberEnd() || !pkz->value.IsObject()) return true;
    takeString(pkz->value, "ver", answer.ver);
    takeString(pkz->value, "url_spare", answer.urlSpare);
    takeString(pkz->value, "md5", answer.md5);
    takeString(pkz->value, "url", answer.url);
    return true;
}
