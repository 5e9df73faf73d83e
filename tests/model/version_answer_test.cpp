#include "model/version_answer.h"

#include <gtest/gtest.h>

TEST(VersionAnswerTest, MembersOfPkzAreTakenAndOthersIgnored)
{
    VersionAnswer a;
    ASSERT_TRUE(parseVersionAnswer(
        "{\"other\":1,\"pkz\":{\"ver\":\"12.0.3\",\"url\":\"http://h/main/rizodi.exe\","
        "\"url_spare\":\"http://h/spare/rizodi.exe\",\"md5\":\"F70B3ED85D287A9E7FC730D57A2DAAF6\",\"x\":[1]}}",
        a));
    EXPECT_EQ(a.ver, L"12.0.3");
    EXPECT_EQ(a.url, L"http://h/main/rizodi.exe");
    EXPECT_EQ(a.urlSpare, L"http://h/spare/rizodi.exe");
    EXPECT_EQ(a.md5, L"F70B3ED85D287A9E7FC730D57A2DAAF6");
}

TEST(VersionAnswerTest, MissingOrWronglyTypedMembersLeaveFieldsAlone)
{
    VersionAnswer a;
    a.urlSpare = L"kept";
    a.url = L"kept too";
    ASSERT_TRUE(parseVersionAnswer("{\"pkz\":{\"ver\":\"\xE7\x89\x88 9\",\"url\":12,\"url_spare\":null}}", a));
    EXPECT_EQ(a.ver, L"版 9");
    EXPECT_EQ(a.url, L"kept too");
    EXPECT_EQ(a.urlSpare, L"kept");

    VersionAnswer b;
    EXPECT_TRUE(parseVersionAnswer("{\"pkz\":\"not an object\"}", b));
    EXPECT_TRUE(parseVersionAnswer("{}", b));
    EXPECT_TRUE(b.url.empty());
}

TEST(VersionAnswerTest, BodiesThatAreNotAJsonObjectFail)
{
    VersionAnswer a;
    EXPECT_FALSE(parseVersionAnswer("", a));
    EXPECT_FALSE(parseVersionAnswer("<html>502 Bad Gateway</html>", a));
    EXPECT_FALSE(parseVersionAnswer("[{\"pkz\":{}}]", a));
    EXPECT_FALSE(parseVersionAnswer("{\"pkz\":{\"url\":\"http://h/x\"}", a)); // cut off
    EXPECT_TRUE(a.url.empty());
}

// Answers come from whoever is on the path: nesting as deep as the memory
// cap allows must not exhaust the worker's stack.
TEST(VersionAnswerTest, DeepNestingUpToTheMemoryCapIsParsedWithoutRecursion)
{
    VersionAnswer answer;
    const std::size_t depth = 1u << 19; // two bytes a level: the whole 1 MiB
    EXPECT_FALSE(parseVersionAnswer(std::string(depth, '[') + std::string(depth, ']'), answer));
    std::string objects;
    for (std::size_t i = 0; i < 100000; ++i) objects += "{\"a\":";
    EXPECT_FALSE(parseVersionAnswer(objects, answer));
    EXPECT_TRUE(parseVersionAnswer("{\"x\":" + std::string(200000, '[') + std::string(200000, ']') +
                                       ",\"pkz\":{\"ver\":\"7\"}}",
                                   answer));
    EXPECT_EQ(answer.ver, L"7");
}
