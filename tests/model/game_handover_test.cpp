#include "model/game_handover.h"

#include <gtest/gtest.h>

namespace {

GameRecord game(const std::wstring& url, const std::wstring& package, const std::wstring& gameId, bool store = false)
{
    GameRecord r;
    r.url = url;
    r.package = package;
    r.gameId = gameId;
    r.fromAppStore = store;
    r.name = L"Name";
    r.icon = L"http://h/i.png";
    return r;
}

} // namespace

TEST(GameHandoverTest, FirstRecordDecidesTheFormAndText)
{
    struct Case {
        GameRecord record;
        GameHandover form;
        const wchar_t* text;
    } cases[] = {
        {game(L"http://h/a.apk", L"com.a", L"7", true), GameHandover::StoreForm,
         L"apk=|show=true|package=com.a|downloadapkurl=http://h/a.apk;S.package=com.a;S.appname=Name;"
         L"S.appicon=http://h/i.png;S.appsize=96"},
        {game(L"http://h/a.apk", L"com.a", L"7"), GameHandover::GameIdForm,
         L"apk=|show=true|package=com.a|downloadgameid=7"},
        {game(L"", L"", L"7"), GameHandover::GameIdForm, L"apk=|show=true|package=|downloadgameid=7"},
        {game(L"http://h/a.apk", L"com.a", L""), GameHandover::FetchPackages, L""},
        {game(L"http://h/a.apk", L"", L""), GameHandover::FetchPackages, L""},
        {game(L"", L"", L""), GameHandover::FetchPackages, L""},
        {game(L"", L"com.a", L""), GameHandover::PackageForm, L"apk=|show=true|package=com.a|downloadpackage=com.a"},
    };
    for (const Case& c : cases) {
        const HandoverDecision d = decideGameHandover({c.record, game(L"", L"com.other", L"1", true)});
        EXPECT_EQ(d.form, c.form) << c.text;
        EXPECT_EQ(d.arguments, c.text);
    }
    EXPECT_EQ(decideGameHandover({}).form, GameHandover::None);
    EXPECT_TRUE(decideGameHandover({}).arguments.empty());
}

TEST(GameHandoverTest, OnlyFieldsThatReachTheFormsTextAreUnsafe)
{
    GameRecord store = game(L"http://h/a;b", L"com.a", L"", true);
    EXPECT_STREQ(unsafeArgumentField(store), L"url");
    store.url = L"http://h/a";
    store.icon = L"i|j";
    EXPECT_STREQ(unsafeArgumentField(store), L"icon");
    GameRecord fetch = game(L"http://h/a;b", L"com.a", L"");
    fetch.name = L"a|b";
    EXPECT_EQ(unsafeArgumentField(fetch), nullptr) << "a fetched package's address and name stay out of texts";
    fetch.package = L"com;a";
    EXPECT_STREQ(unsafeArgumentField(fetch), L"package");
    EXPECT_STREQ(unsafeArgumentField(game(L"", L"", L"1;2")), L"gameid");
    EXPECT_EQ(unsafeArgumentField(game(L"", L"com.a", L"")), nullptr);
}

TEST(GameHandoverTest, FileStemsNeverLeaveTheFolderOrNameADevice)
{
    const struct {
        const wchar_t* name;
        const wchar_t* stem;
    } cases[] = {
        {L"王者荣耀", L"王者荣耀"},
        {L"Game 2: Return", L"Game 2_ Return"},
        {L"..\\..\\Windows\\evil", L".._.._Windows_evil"},
        {L"../x", L".._x"},
        {L"..", L""},
        {L" . ", L""},
        {L"C:\\x", L"C__x"},
        {L"a\"b<c>d|e?f*g", L"a_b_c_d_e_f_g"},
        {L"tab\there\r\n", L"tabhere"},
        {L"CON", L"_CON"},
        {L"nul.txt", L"_nul.txt"},
        {L"Com1", L"_Com1"},
        {L"LPT9 ", L"_LPT9"},
        {L"COM10", L"COM10"},
        {L"console", L"console"},
        {L"  name.. ", L"name"},
    };
    for (const auto& c : cases) EXPECT_EQ(safeFileStem(c.name), c.stem) << c.name;

    const std::wstring longName(150, L'x');
    EXPECT_EQ(safeFileStem(longName).size(), 100u);
    std::wstring pairs;
    for (int i = 0; i < 60; ++i) pairs += L"\U0001F3AE"; // two units each
    const std::wstring cut = safeFileStem(L"x" + pairs);
    EXPECT_LE(cut.size(), 100u);
    EXPECT_FALSE(cut.back() >= 0xD800 && cut.back() <= 0xDBFF) << "no half surrogate pair at the end";
}

TEST(GameHandoverTest, EmptyOrClashingStemsFallBackAndStayApart)
{
    GameRecord a = game(L"u", L"com.a", L"");
    a.name = L"..";
    GameRecord b = game(L"u", L"", L"");
    b.name = L"\\/";
    GameRecord c = game(L"u", L"com.c", L"");
    c.name = L"Same";
    GameRecord d = c;
    d.name = L"same";
    GameRecord e = c;
    EXPECT_EQ(packageFileStems({a, b, c, d, e}),
              (std::vector<std::wstring>{L"com.a", L"__", L"Same", L"same (2)", L"Same (3)"}));
    b.name = L"";
    EXPECT_EQ(packageFileStems({b}), std::vector<std::wstring>{L"game"});
}

TEST(GameHandoverTest, ConsoleParametersKeepTheFileOneArgument)
{
    EXPECT_EQ(installApkParameters(L"D:\\Bexmoor\\vpplayer2\\Game.apk"),
              L"installapk --index 0 --filename \"D:\\Bexmoor\\vpplayer2\\Game.apk\" --wait --hide");
    EXPECT_EQ(installApkParameters(L"D:\\a\" --evil \"x.apk"), L"");
    EXPECT_EQ(installApkParameters(L"D:\\dir\\"), L"installapk --index 0 --filename \"D:\\dir\\\\\" --wait --hide");
    EXPECT_EQ(installApkParameters(L""), L"");

    EXPECT_EQ(resolutionParameters(L"1280x720"), L"modify --index 0 --resolution 1280x720");
    EXPECT_EQ(resolutionParameters(L"1280*720,240"), L"modify --index 0 --resolution 1280*720,240");
    EXPECT_EQ(resolutionParameters(L"1280x720 --index 5"), L"");
    EXPECT_EQ(resolutionParameters(L"\"x\""), L"");
    EXPECT_EQ(resolutionParameters(std::wstring(33, L'1')), L"");

    EXPECT_EQ(packageStartArguments(L"com.a"), L"package=com.a");
    EXPECT_EQ(packageStartArguments(L"com.a|show=false"), L"package=");
}
