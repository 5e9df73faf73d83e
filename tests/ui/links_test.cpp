// The window's link addresses.

#include "ui/links.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LinksTest, UserGroupLinkCarriesTheGroupAsHexadecimalJson)
{
    const std::wstring link = ui::userGroupLink();
    const std::wstring head = L"tencent://groupwpa/?subcmd=all&param=";
    ASSERT_EQ(link.compare(0, head.size(), head), 0) << link;
    const std::wstring hex = link.substr(head.size());
    ASSERT_EQ(hex.size() % 2, 0u);
    std::string json;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        ASSERT_TRUE(iswxdigit(hex[i]) && iswxdigit(hex[i + 1])) << hex;
        json += static_cast<char>(std::stoi(std::string(hex.begin() + i, hex.begin() + i + 2), nullptr, 16));
    }
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');
    EXPECT_NE(json.find("\"groupUin\":"), std::string::npos) << json;
}

} // namespace
