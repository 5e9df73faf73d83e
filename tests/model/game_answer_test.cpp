#include "model/game_answer.h"

#include <gtest/gtest.h>

TEST(GameAnswerTest, EachUsableEntryBecomesARecordInAnswerOrder)
{
    GameAnswer a;
    ASSERT_TRUE(parseGameAnswer(
        "{\"x\":1,\"result\":[{\"app_download_url\":\"http://h/a.apk\",\"app_package_name\":\"com.a\","
        "\"gamename\":\"\xE6\xB8\xB8\xE6\x88\x8F A\",\"game_slt_url\":\"http://h/a.png\",\"resolution\":\"1280x720\","
        "\"gameid\":\"77\",\"from_appstore\":\"1\",\"other\":[1]},"
        "{\"app_package_name\":\"com.b\"}]}",
        a));
    ASSERT_EQ(a.games.size(), 2u);
    const GameRecord& first = a.games[0];
    EXPECT_EQ(first.url, L"http://h/a.apk");
    EXPECT_EQ(first.package, L"com.a");
    EXPECT_EQ(first.name, L"游戏 A");
    EXPECT_EQ(first.icon, L"http://h/a.png");
    EXPECT_EQ(first.resolution, L"1280x720");
    EXPECT_EQ(first.gameId, L"77");
    EXPECT_TRUE(first.fromAppStore);
    EXPECT_EQ(a.games[1].package, L"com.b");
    EXPECT_TRUE(a.games[1].url.empty());
    EXPECT_FALSE(a.games[1].fromAppStore);
    // The last entry that names a package wins.
    EXPECT_TRUE(a.packageGiven);
    EXPECT_EQ(a.lastPackage, L"com.b");
}

TEST(GameAnswerTest, StoreFlagIsOnlyTheTextOne)
{
    for (const char* value : {"\"0\"", "\"true\"", "\"1 \"", "1", "true", "\"\""}) {
        GameAnswer a;
        ASSERT_TRUE(parseGameAnswer(std::string("{\"result\":[{\"gameid\":\"5\",\"from_appstore\":") + value + "}]}",
                                    a));
        ASSERT_EQ(a.games.size(), 1u) << value;
        EXPECT_FALSE(a.games[0].fromAppStore) << value;
    }
}

TEST(GameAnswerTest, EntriesWithoutAddressIdOrPackageAndNonObjectsAreSkipped)
{
    GameAnswer a;
    ASSERT_TRUE(parseGameAnswer("{\"result\":[7,\"s\",null,[],{\"gamename\":\"only a name\",\"game_slt_url\":\"i\"},"
                                "{\"gameid\":\"42\"},{\"app_download_url\":12,\"gameid\":null}]}",
                                a));
    ASSERT_EQ(a.games.size(), 1u);
    EXPECT_EQ(a.games[0].gameId, L"42");
    EXPECT_TRUE(a.games[0].package.empty());
    EXPECT_FALSE(a.packageGiven);
}

TEST(GameAnswerTest, AnEmptyPackageNameStillReplacesThePackage)
{
    GameAnswer a;
    ASSERT_TRUE(parseGameAnswer("{\"result\":[{\"app_package_name\":\"com.a\",\"gameid\":\"1\"},"
                                "{\"app_package_name\":\"\",\"gameid\":\"2\"}]}",
                                a));
    EXPECT_EQ(a.games.size(), 2u);
    EXPECT_TRUE(a.packageGiven);
    EXPECT_EQ(a.lastPackage, L"");
}

TEST(GameAnswerTest, BodiesWithoutAResultArrayTakeNothing)
{
    for (const char* body : {"", "<html>502</html>", "[]", "{}", "{\"result\":{}}", "{\"result\":\"x\"}",
                             "{\"result\":[{\"gameid\":\"1\"}]", "null"}) {
        GameAnswer a;
        EXPECT_FALSE(parseGameAnswer(body, a)) << body;
        EXPECT_TRUE(a.games.empty()) << body;
        EXPECT_FALSE(a.packageGiven) << body;
    }
    GameAnswer empty;
    EXPECT_TRUE(parseGameAnswer("{\"result\":[]}", empty));
    EXPECT_TRUE(empty.games.empty());
}

TEST(GameAnswerTest, ValuesThatWouldAddArgumentKeysDropTheirEntry)
{
    GameAnswer a;
    ASSERT_TRUE(parseGameAnswer(
        "{\"result\":["
        "{\"app_package_name\":\"com.a|downloadgameid=6\",\"gameid\":\"1\"},"        // package, any form
        "{\"from_appstore\":\"1\",\"app_package_name\":\"com.b\",\"gamename\":\"x;S.appsize=1\"}," // store name
        "{\"from_appstore\":\"1\",\"app_package_name\":\"com.c\",\"game_slt_url\":\"http://h/i;j\"},"
        "{\"gameid\":\"9|show=false\"},"
        "{\"app_package_name\":\"com.ok\",\"app_download_url\":\"http://h/a;b.apk\",\"gamename\":\"n|m\"}]}",
        a));
    // The last one fetches its package itself: neither its address nor its
    // name reaches an argument text.
    ASSERT_EQ(a.games.size(), 1u);
    EXPECT_EQ(a.games[0].package, L"com.ok");
    EXPECT_EQ(a.dropped, (std::vector<std::wstring>{L"package", L"name", L"icon", L"gameid"}));
    // A dropped entry's package never becomes the model's.
    EXPECT_EQ(a.lastPackage, L"com.ok");
}

TEST(GameAnswerTest, DeepNestingWithinTheMemoryCapIsParsedWithoutRecursion)
{
    GameAnswer a;
    const std::size_t depth = 1u << 19; // two bytes a level: the whole 1 MiB
    EXPECT_FALSE(parseGameAnswer(std::string(depth, '[') + std::string(depth, ']'), a));
    ASSERT_TRUE(parseGameAnswer("{\"x\":" + std::string(200000, '[') + std::string(200000, ']') +
                                    ",\"result\":[{\"gameid\":\"3\"}]}",
                                a));
    ASSERT_EQ(a.games.size(), 1u);
    EXPECT_EQ(a.games[0].gameId, L"3");
}
