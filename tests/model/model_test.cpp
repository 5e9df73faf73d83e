// The model's start: launch parameters, installed version and install
// folder, with the log lines it writes on the way.

#include "model/player_registry.h"
#include "model/vpdownloader_model.h"

#include "fake_drives.h"
#include "log_capture.h"
#include "utility/file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using testing_support::FakeDrives;
using testing_support::fixedDrive;
using testing_support::LogCapture;
using testing_support::LogEntry;

namespace {

const wchar_t* const kKey = L"Software\\Bexmoor2\\vpplayer";
const wchar_t* const kTestKey = L"Software\\KolvexTests\\registry";

class ModelStartTest : public ::testing::Test {
protected:
    void SetUp() override { VPDownloaderModel::destroy(); }
    void TearDown() override
    {
        VPDownloaderModel::destroy();
        utility::ufile::setModulePathForTesting(L"");
    }

    VPDownloaderModel* start(const std::wstring& exeName, const wchar_t* commandLine)
    {
        VPDownloaderModel::destroy();
        utility::ufile::setModulePathForTesting(L"C:\\downloads\\" + exeName);
        VPDownloaderModel* model = VPDownloaderModel::instance();
        model->init(commandLine);
        return model;
    }

    FakeDrives drives_{{fixedDrive(L"C:\\", 1000), fixedDrive(L"D:\\", 5000)}};
};

std::vector<std::string> messagesOf(const std::vector<LogEntry>& entries, const std::string& function)
{
    std::vector<std::string> messages;
    for (const LogEntry& entry : entries)
        if (entry.function == function) messages.push_back(entry.message);
    return messages;
}

bool keyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

void setValue(const wchar_t* subKey, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyW(HKEY_CURRENT_USER, subKey, &key), ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

void setText(const wchar_t* name, const std::wstring& text)
{
    setValue(kKey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

} // namespace

TEST_F(ModelStartTest, FileNameAndCommandLineSetTheLaunchFieldsAndLogThemWordForWord)
{
    LogCapture log;
    VPDownloaderModel* model =
        start(L"Setup_com.example.game_12345.exe",
              L"\"name=Star Farm|package=com.star.farm|APKURL =http://127.0.0.1/a.apk?x=1\"");

    EXPECT_EQ(model->openId, L"12345");
    EXPECT_EQ(model->package.get(), L"com.example.game") << "the command-line package goes only into the record";
    const std::vector<GameRecord> tasks = model->gameTasks.get();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].url, L"http://127.0.0.1/a.apk?x=1");
    EXPECT_EQ(tasks[0].package, L"com.star.farm");
    EXPECT_EQ(tasks[0].name, L"Star Farm");
    EXPECT_EQ(tasks[0].icon, L"");
    EXPECT_EQ(tasks[0].resolution, L"");
    EXPECT_EQ(tasks[0].gameId, L"");
    EXPECT_FALSE(tasks[0].fromAppStore);

    const std::string last = "cmdline is Star Farm, com.star.farm, http://127.0.0.1/a.apk?x=1";
    const std::vector<LogEntry> entries = log.waitFor("VPDownloaderModel::", last);
    EXPECT_EQ(messagesOf(entries, "VPDownloaderModel::init"),
              (std::vector<std::string>{"VPDownloaderModel::exe filename= Setup_com.example.game_12345",
                                        "model. type: Setup, package:com.example.game, openID:12345",
                                        "openid is 12345, package is com.example.game", last}));
    // The install folder is worked out between the file name and the command line.
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[3].function, "VPDownloaderModel::_calcInstallPath");
}

TEST_F(ModelStartTest, KxAndShortFileNamesSetNoPackageAndKeepTheDefaultOpenId)
{
    LogCapture log;
    VPDownloaderModel* model = start(L"Setup_kx_12345.exe", nullptr);
    EXPECT_EQ(model->openId, L"12345");
    EXPECT_EQ(model->package.get(), L"");

    model = start(L"x__9.exe", nullptr);
    EXPECT_EQ(model->openId, L"9");
    EXPECT_EQ(model->package.get(), L"");

    model = start(L"Setup_only.exe", L"");
    EXPECT_EQ(model->openId, L"100");
    EXPECT_EQ(model->package.get(), L"");
    EXPECT_TRUE(model->gameTasks.get().empty());

    model = start(L"Setup_ com.example.kx _ 555 .exe", nullptr);
    EXPECT_EQ(model->openId, L"555");
    EXPECT_EQ(model->package.get(), L"com.example.kx");

    const std::vector<LogEntry> entries = log.waitFor("VPDownloaderModel::init", "openid is 555, package is com.example.kx");
    EXPECT_EQ(messagesOf(entries, "VPDownloaderModel::init"),
              (std::vector<std::string>{"VPDownloaderModel::exe filename= Setup_kx_12345",
                                        "model. type: Setup, package:kx, openID:12345",
                                        "openid is 12345, package is ",
                                        "VPDownloaderModel::exe filename= x__9",
                                        "model. type: x, package:, openID:9",
                                        "openid is 9, package is ",
                                        "VPDownloaderModel::exe filename= Setup_only",
                                        "openid is 100, package is ",
                                        "VPDownloaderModel::exe filename= Setup_ com.example.kx _ 555 ",
                                        "model. type: Setup, package:com.example.kx, openID:555",
                                        "openid is 555, package is com.example.kx"}))
        << "no type line for fewer pieces, no cmdline line without key=value pieces";
}

TEST_F(ModelStartTest, SecondBrowserCopyKeepsItsOpenIdAndLogsTheCut)
{
    LogCapture log;
    VPDownloaderModel* model = start(L"Setup_com.g_12345 (1).exe", nullptr);
    EXPECT_EQ(model->openId, L"12345");
    EXPECT_EQ(model->package.get(), L"com.g");
    model = start(L"Setup_com.g_777(12).exe", nullptr);
    EXPECT_EQ(model->openId, L"777");

    const std::vector<LogEntry> entries = log.waitFor("VPDownloaderModel::init", "openid is 777, package is com.g");
    EXPECT_EQ(messagesOf(entries, "VPDownloaderModel::init"),
              (std::vector<std::string>{"VPDownloaderModel::exe filename= Setup_com.g_12345 (1)",
                                        "file name words taken from Setup_com.g_12345",
                                        "model. type: Setup, package:com.g, openID:12345",
                                        "openid is 12345, package is com.g",
                                        "VPDownloaderModel::exe filename= Setup_com.g_777(12)",
                                        "file name words taken from Setup_com.g_777",
                                        "model. type: Setup, package:com.g, openID:777",
                                        "openid is 777, package is com.g"}));
}

TEST_F(ModelStartTest, CommandLineWithoutApkUrlAddsNoRecordButIsLogged)
{
    LogCapture log;
    VPDownloaderModel* model = start(L"KolvexSetup.exe", L"name=Game|package=com.cmd.only");
    EXPECT_TRUE(model->gameTasks.get().empty());
    EXPECT_EQ(model->package.get(), L"");
    const std::vector<LogEntry> entries = log.waitFor("VPDownloaderModel::init", "cmdline is Game, com.cmd.only, ");
    const std::vector<std::string> messages = messagesOf(entries, "VPDownloaderModel::init");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "cmdline is Game, com.cmd.only, ");
}

// The only test that writes the emulator's key (in the build's own Wine
// prefix); its cases run in sequence.
TEST_F(ModelStartTest, InstallFolderComesFromTheRegistryOrTheBestDrive)
{
    LogCapture log;
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);

    // Registry present: both fields hold it and no default is computed.
    setText(L"InstallDir", L"D:\\Games\\Kolvex");
    setText(L"Version", L"3.2.1");
    drives_.listCalls = 0;
    VPDownloaderModel* model = start(L"KolvexSetup.exe", nullptr);
    EXPECT_EQ(model->installedVersion, L"3.2.1");
    EXPECT_EQ(model->registeredDir, L"D:\\Games\\Kolvex");
    EXPECT_EQ(model->getInstallDir(), L"D:\\Games\\Kolvex");
    EXPECT_EQ(drives_.listCalls, 0) << "no default folder is computed";

    // The user's choice replaces the folder, not the registered one.
    model->setInstallDir(L"C:\\Other\\");
    EXPECT_EQ(model->getInstallDir(), L"C:\\Other\\");
    EXPECT_EQ(model->registeredDir, L"D:\\Games\\Kolvex");

    // Registry absent: the key is created and the best drive gets the default.
    ASSERT_EQ(::RegDeleteKeyW(HKEY_CURRENT_USER, kKey), ERROR_SUCCESS);
    model = start(L"KolvexSetup.exe", nullptr);
    EXPECT_TRUE(keyExists());
    EXPECT_EQ(model->installedVersion, L"");
    EXPECT_EQ(model->registeredDir, L"");
    EXPECT_EQ(model->getInstallDir(), L"D:\\Bexmoor\\vpplayer2\\");

    const std::vector<LogEntry> entries =
        log.waitFor("VPDownloaderModel::_calcInstallPath", "get install path from MaxFreeSpace: D:\\Bexmoor\\vpplayer2\\");
    EXPECT_EQ(messagesOf(entries, "VPDownloaderModel::_calcInstallPath"),
              (std::vector<std::string>{"read from reg: path is D:\\Games\\Kolvex", "read from reg: path is ",
                                        "get install path from MaxFreeSpace: D:\\Bexmoor\\vpplayer2\\"}));

    // No drive qualifies: only the relative tail remains, which the window rejects.
    {
        FakeDrives none({});
        model = start(L"KolvexSetup.exe", nullptr);
        EXPECT_EQ(model->getInstallDir(), L"Bexmoor\\vpplayer2\\");
    }
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
}

TEST(PlayerRegistryTest, ValuesAreReadIntoABoundedBufferWhateverTheirTypeOrLength)
{
    const auto read = [](const wchar_t* name) { return helper::registry::readUserValue(kTestKey, name); };
    // A key of its own: the emulator's key belongs to the test above.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    // Fills the whole buffer without a final zero.
    const std::wstring full(1024, L'A');
    setValue(kTestKey, L"FullBinary", REG_BINARY, full.data(), 2048);
    EXPECT_EQ(read(L"FullBinary"), full);

    const std::wstring tooLong(1500, L'B');
    setValue(kTestKey, L"TooLong", REG_SZ, tooLong.c_str(), static_cast<DWORD>((tooLong.size() + 1) * 2));
    EXPECT_EQ(read(L"TooLong"), L"");

    const wchar_t stopsAtZero[] = {L'D', L':', L'\0', L'x', L'y'};
    setValue(kTestKey, L"Embedded", REG_BINARY, stopsAtZero, sizeof(stopsAtZero));
    EXPECT_EQ(read(L"Embedded"), L"D:");

    const char oddBytes[] = {'A', 0, 'B'};
    setValue(kTestKey, L"Odd", REG_BINARY, oddBytes, 3);
    EXPECT_EQ(read(L"Odd"), L"AB");

    EXPECT_EQ(read(L"Missing"), L"");
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
}
