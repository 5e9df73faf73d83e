#include "model/launch_params.h"

#include <gtest/gtest.h>

TEST(FileNameParamsTest, ThreePiecesGiveTypePackageAndOpenId)
{
    FileNameParams params = splitFileNameParams(L"Setup_com.example.game_12345");
    EXPECT_TRUE(params.complete);
    EXPECT_EQ(params.type, L"Setup");
    EXPECT_EQ(params.package, L"com.example.game");
    EXPECT_EQ(params.openId, L"12345");

    params = splitFileNameParams(L"a_b_c_d");
    EXPECT_TRUE(params.complete);
    EXPECT_EQ(params.package, L"b");
    EXPECT_EQ(params.openId, L"c") << "a fourth piece is ignored";

    params = splitFileNameParams(L"x__9");
    EXPECT_TRUE(params.complete);
    EXPECT_EQ(params.package, L"");
    EXPECT_EQ(params.openId, L"9");

    params = splitFileNameParams(L" Setup _ com.example.game _ 777 ");
    EXPECT_EQ(params.type, L"Setup");
    EXPECT_EQ(params.package, L"com.example.game");
    EXPECT_EQ(params.openId, L"777");
}

TEST(FileNameParamsTest, FewerThanThreePiecesGiveNothing)
{
    for (const wchar_t* stem : {L"Setup", L"Setup_only", L""}) {
        const FileNameParams params = splitFileNameParams(stem);
        EXPECT_FALSE(params.complete) << stem;
        EXPECT_EQ(params.package, L"");
        EXPECT_EQ(params.openId, L"");
    }
}

TEST(CommandLineParamsTest, QuotedLongCommandLineYieldsTheThreeValues)
{
    const CommandLineParams params =
        parseCommandLineParams(L"\"name=Star Farm|package=com.star.farm|apkurl=http://127.0.0.1/s.apk\"");
    EXPECT_TRUE(params.any);
    EXPECT_EQ(params.name, L"Star Farm");
    EXPECT_EQ(params.package, L"com.star.farm");
    EXPECT_EQ(params.apkurl, L"http://127.0.0.1/s.apk");
}

TEST(CommandLineParamsTest, KeysAreTrimmedAndLoweredAndValuesKeepLaterEqualsSigns)
{
    const CommandLineParams params =
        parseCommandLineParams(L" APKURL = http://127.0.0.1/get?id=5&x=y | Name=A=B |package=p|package=q|other=1");
    EXPECT_TRUE(params.any);
    EXPECT_EQ(params.apkurl, L"http://127.0.0.1/get?id=5&x=y");
    EXPECT_EQ(params.name, L"A=B");
    EXPECT_EQ(params.package, L"q") << "a later piece replaces the value";
}

TEST(CommandLineParamsTest, MissingKeysAreEmptyAndPiecesWithoutKeyAreSkipped)
{
    CommandLineParams params = parseCommandLineParams(L"name=Game|package=com.g|=orphan|noequals");
    EXPECT_TRUE(params.any);
    EXPECT_EQ(params.name, L"Game");
    EXPECT_EQ(params.package, L"com.g");
    EXPECT_EQ(params.apkurl, L"");

    params = parseCommandLineParams(L"just words|=x");
    EXPECT_FALSE(params.any);
}

TEST(CommandLineParamsTest, ShortTextKeepsItsQuotesAndEmptyOrNullGiveNothing)
{
    // Five units: the quotes stay, so the key is "\"a" and nothing known is found.
    CommandLineParams params = parseCommandLineParams(L"\"a=b\"");
    EXPECT_TRUE(params.any);
    EXPECT_EQ(params.name, L"");
    params = parseCommandLineParams(L"\"abc\"");
    EXPECT_FALSE(params.any);
    // Longer: both quotes go.
    params = parseCommandLineParams(L"\"name=\"");
    EXPECT_TRUE(params.any);
    EXPECT_EQ(params.name, L"");
    params = parseCommandLineParams(L"\"name=x");
    EXPECT_EQ(params.name, L"x") << "only a leading quote";

    EXPECT_FALSE(parseCommandLineParams(L"").any);
    EXPECT_FALSE(parseCommandLineParams(nullptr).any);
}

// Browsers name a second copy "name (1).exe" or "name(1).exe": the counter
// and any blank are not part of the words, least of all of the openID that
// goes onto command lines and into request lines.
TEST(FileNameParamsTest, BrowserCopyCountersAndBlanksAreCutFromTheWords)
{
    struct Case {
        const wchar_t* stem;
        const wchar_t* clean;
    };
    const Case cases[] = {
        {L"Setup_com.g_12345 (1)", L"Setup_com.g_12345"},
        {L"Setup_com.g_12345 (12)", L"Setup_com.g_12345"},
        {L"Setup_com.g_12345(1)", L"Setup_com.g_12345"},
        {L"Setup_com.g_12345  (3) ", L"Setup_com.g_12345"},
        {L"Setup_com.g_123 45", L"Setup_com.g_12345"},
        {L"Set up_com. g_12345", L"Setup_com.g_12345"},
        {L"KolvexSetup (2)", L"KolvexSetup"},
        // Not a counter: kept, only blanks go.
        {L"Setup_com.g_12345 (x)", L"Setup_com.g_12345(x)"},
        {L"Setup_com.g_12345 ()", L"Setup_com.g_12345()"},
        {L"Setup_com.g_(1)2345", L"Setup_com.g_(1)2345"},
        {L"Setup_com.g_12345", L"Setup_com.g_12345"},
        {L"(1)", L""},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(cleanFileNameStem(c.stem), c.clean) << c.stem;

    for (const wchar_t* stem : {L"Setup_com.g_12345 (1)", L"Setup_com.g_12345 (12)", L"Setup_com.g_12345(1)"}) {
        const FileNameParams params = splitFileNameParams(cleanFileNameStem(stem));
        EXPECT_TRUE(params.complete) << stem;
        EXPECT_EQ(params.package, L"com.g") << stem;
        EXPECT_EQ(params.openId, L"12345") << stem;
    }
}
