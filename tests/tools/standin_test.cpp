// The stand-in for the emulator's programs: what later tests rely on.

#include "model/player_registry.h"
#include "test_support.h"
#include "tools/standin/standin_args.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

using testing_support::readFile;
using testing_support::scratchFolder;

TEST(StandinArgsTest, CommandLinesAreTakenApartAsTheInstallerWritesThem)
{
    EXPECT_EQ(standin::argumentText(L"\"C:\\a b\\rizodi.exe\" -silence x"), L"-silence x");
    EXPECT_EQ(standin::argumentText(L"\"C:\\a\\vpplayer.exe\""), L"");
    EXPECT_EQ(standin::argumentText(L"taskkill  /F"), L" /F");
    EXPECT_EQ(standin::upperTitle(L"zodovivevizez.exe"), L"ZODOVIVEVIZEZ");

    standin::InstallerArgs args;
    ASSERT_TRUE(standin::parseInstallerArgs(L"-silence -downloader -openid=100 -path=C:\\Program Files\\Kolvex", args));
    EXPECT_EQ(args.openId, L"100");
    EXPECT_EQ(args.path, L"C:\\Program Files\\Kolvex");
    EXPECT_FALSE(standin::parseInstallerArgs(L"-silence -openid=100 -path=C:\\K", args));
    EXPECT_FALSE(standin::parseInstallerArgs(L"-silence -downloader -openid=100 -path=", args));
    EXPECT_FALSE(standin::parseInstallerArgs(L"-silence -downloader -openid= -path=C:\\K", args));

    EXPECT_TRUE(standin::isConsoleCommand(L"modify --index 0 --resolution 1280*720"));
    EXPECT_TRUE(standin::isConsoleCommand(L"installapk --index 0 --filename \"C:\\K\\My Game.apk\" --wait --hide"));
    EXPECT_FALSE(standin::isConsoleCommand(L"installapk --index 0 --filename C:\\K\\g.apk --wait --hide"));
    EXPECT_FALSE(standin::isConsoleCommand(L"modify --index 0 --resolution "));

    EXPECT_TRUE(standin::isTaskkillCommand(L"/F /IM vpplayer.exe /T"));
    EXPECT_FALSE(standin::isTaskkillCommand(L"/F /IM vpplayer.exe"));
    EXPECT_FALSE(standin::isTaskkillCommand(L"/F /IM  /T"));
    EXPECT_FALSE(standin::isTaskkillCommand(L"/F /IM a b /T"));

    const std::string journal = "rizodi.exe\t-silence\r\nvpconsole.exe\tmodify\r\nrizodi.exe\t-silence\r\nxrizodi.exe\t\r\n";
    EXPECT_EQ(standin::countRuns(journal, L"rizodi.exe"), 2);
    EXPECT_EQ(standin::countRuns(journal, L"vpconsole.exe"), 1);
    EXPECT_EQ(standin::countRuns("", L"rizodi.exe"), 0);
    EXPECT_EQ(standin::upperVerb(L"modify --index 0"), L"MODIFY");
    EXPECT_EQ(standin::upperVerb(L"-silence"), L"");
}

TEST(StandinTest, InstallerCopiesThePlayerRecordsTheRegistryAndJournalsEachStart)
{
    const std::wstring folder = scratchFolder();
    const std::wstring installer = testing_support::copyStandinAs(folder, L"rizodi.exe");
    const std::wstring target = folder + L"Kolvex Emulator";
    const std::wstring key = L"Software\\KolvexTests\\standin-install";
    ::SetEnvironmentVariableW(L"STANDIN_REGISTRY_KEY", key.c_str());
    ::SetEnvironmentVariableW(L"STANDIN_INSTALL_VERSION", L"12.0.3");
    const std::wstring args = L"-silence -downloader -openid=100 -path=" + target;
    EXPECT_EQ(testing_support::runAndWait(installer, args), 0u);
    ::SetEnvironmentVariableW(L"STANDIN_REGISTRY_KEY", nullptr);
    ::SetEnvironmentVariableW(L"STANDIN_INSTALL_VERSION", nullptr);

    EXPECT_TRUE(utility::ufile::pathExists(target + L"\\vpplayer.exe"));
    EXPECT_TRUE(utility::ufile::pathExists(target + L"\\vpconsole.exe"));
    EXPECT_TRUE(utility::ufile::pathExists(target + L"\\zodovivevizez.exe"));
    EXPECT_EQ(helper::registry::readUserValue(key.c_str(), L"Version"), L"12.0.3");
    EXPECT_EQ(helper::registry::readUserValue(key.c_str(), L"InstallDir"), target);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());

    // The installed player journals into its own folder.
    EXPECT_EQ(testing_support::runAndWait(target + L"\\vpplayer.exe", L"downloadpackage=com.example.game|package=com.example.game"), 0u);
    EXPECT_EQ(testing_support::runAndWait(target + L"\\vpplayer.exe", L""), 0u);
    EXPECT_EQ(readFile(target + L"\\standin-journal.txt"),
              "vpplayer.exe\tdownloadpackage=com.example.game|package=com.example.game\r\nvpplayer.exe\t\r\n");
    EXPECT_EQ(readFile(folder + L"standin-journal.txt"),
              "rizodi.exe\t-silence -downloader -openid=100 -path=" + utility::wideToUtf8(target) + "\r\n");
}

TEST(StandinTest, ExitCodeRunTimeAndWrongCommandLinesAreVisible)
{
    const std::wstring folder = scratchFolder();
    const std::wstring installer = testing_support::copyStandinAs(folder, L"rizodi.exe");
    const std::wstring console = testing_support::copyStandinAs(folder, L"vpconsole.exe");

    EXPECT_EQ(testing_support::runAndWait(installer, L"/S /D=C:\\K"), 2u);
    EXPECT_EQ(testing_support::runAndWait(console, L"installapk --index 0 --filename \"" + folder + L"g.apk\" --wait --hide"), 0u);
    EXPECT_EQ(testing_support::runAndWait(console, L"list"), 2u);

    ::SetEnvironmentVariableW(L"STANDIN_VPCONSOLE_EXIT", L"1");
    EXPECT_EQ(testing_support::runAndWait(console, L"modify --index 0 --resolution 1280*720"), 1u);
    ::SetEnvironmentVariableW(L"STANDIN_VPCONSOLE_EXIT", nullptr);

    ::SetEnvironmentVariableW(L"STANDIN_SLEEP_MS", L"700");
    const DWORD begin = ::GetTickCount();
    EXPECT_EQ(testing_support::runAndWait(console, L"modify --index 0 --resolution 1280*720"), 0u);
    EXPECT_GE(::GetTickCount() - begin, 650u);
    ::SetEnvironmentVariableW(L"STANDIN_SLEEP_MS", nullptr);

    EXPECT_EQ(testing_support::runAndWait(testing_support::copyStandinAs(folder, L"unknown.exe"), L""), 4u);
    const std::string journal = readFile(folder + L"standin-journal.txt");
    EXPECT_NE(journal.find("rizodi.exe\t/S /D=C:\\K\r\n"), std::string::npos);
    EXPECT_NE(journal.find("vpconsole.exe\tlist\r\n"), std::string::npos);
    EXPECT_NE(journal.find("unknown.exe\t\r\n"), std::string::npos);
}
