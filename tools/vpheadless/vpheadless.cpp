// Runs the installer's main job without a window: start-up, install press,
// installation once the installer file is ready, the player at the end.
// Prints each model report as it arrives; exits 0 only when the
// installation reported success.
//
//   vpheadless [--dir=FOLDER] [--hosts=HOST:PORT] [launch text]
//
// --dir stands for the folder a user picks on the path page; --hosts points
// every service role at one host (the loopback vendor stand-in).

#include "common/log.h"
#include "model/region_profile.h"
#include "model/vpdownloader_model.h"
#include "platform/delay_load.h"
#include "platform/system_library.h"
#include "tasks/ui_task_dispatcher.h"
#include "utility/text.h"

#include <windows.h>
#include <objbase.h>
#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr UINT kGiveUpMs = 10 * 60 * 1000;

void say(const std::wstring& text)
{
    const std::string utf8 = utility::wideToUtf8(text);
    std::printf("vpheadless: %s\n", utf8.c_str());
    std::fflush(stdout);
}

struct Options {
    std::wstring dir;
    std::wstring hosts;
    std::wstring launchText;
};

// Options come first, each a word, quoted whole when it holds blanks
// ("--dir=C:\My Folder"); everything after them is the launch text.
Options parseOptions(const std::wstring& arguments)
{
    Options options;
    std::wstring rest = arguments;
    for (;;) {
        utility::trimBlanks(rest);
        std::wstring word;
        std::size_t end = 0;
        if (!rest.empty() && rest[0] == L'"') {
            const std::size_t close = rest.find(L'"', 1);
            word = rest.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
            end = close == std::wstring::npos ? rest.size() : close + 1;
        } else {
            end = std::min(rest.find(L' '), rest.size());
            word = rest.substr(0, end);
        }
        if (word.compare(0, 6, L"--dir=") == 0)
            options.dir = word.substr(6);
        else if (word.compare(0, 8, L"--hosts=") == 0)
            options.hosts = word.substr(8);
        else
            break;
        rest.erase(0, end);
    }
    options.launchText = rest;
    return options;
}

std::wstring argumentsOf(const wchar_t* commandLine)
{
    std::wstring line = commandLine ? commandLine : L"";
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        at = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        at = line.find(L' ');
        if (at == std::wstring::npos) at = line.size();
    }
    return line.substr(at);
}

} // namespace

int wmain()
{
    // As the installer's own entry does.
    platform::restrictLibrarySearch();
    platform::useSystemFolderForDelayLoads();
    ::CoInitialize(nullptr);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    common::startLog(1);
    UiTaskDispatcher* dispatcher = UiTaskDispatcher::create();

    const Options options = parseOptions(argumentsOf(::GetCommandLineW()));
    if (!options.hosts.empty()) {
        ServiceHosts hosts;
        hosts.cnResource = hosts.overseasResource = hosts.info = options.hosts;
        for (std::wstring& api : hosts.api) api = options.hosts;
        region::setHostsForTesting(hosts);
    }
    say(L"version service: " + region::playerVersionLookupUrl());

    VPDownloaderModel* model = VPDownloaderModel::instance();
    model->init(options.launchText.c_str());
    if (!options.dir.empty()) model->setInstallDir(options.dir);
    say(L"install folder: " + model->getInstallDir());

    int lastPercent = -1;
    model->callbacks.onProgress = [&lastPercent](int percent, int received, int total) {
        if (percent == lastPercent) return;
        lastPercent = percent;
        say(L"progress " + std::to_wstring(percent) + L"% (" + std::to_wstring(received) + L" of " +
            std::to_wstring(total) + L" bytes)");
    };
    model->callbacks.onPlayerReady = [model] {
        say(L"installer ready; installing");
        model->startInstallPlayer();
    };
    model->callbacks.onDownloadFailed = [](DownloadFailure) {
        say(L"download failed on every address");
        ::PostQuitMessage(1);
    };
    model->callbacks.onInstallFinished = [model](const InstallReport& report) {
        const bool success = report.end == InstallerEnd::Succeeded;
        say(success ? L"installation succeeded; starting the player" : L"installation failed");
        if (success) model->launchPlayerForPackage();
        ::PostQuitMessage(success ? 0 : 2);
    };
    dispatcher->startTimerTask(makeFunctionRunable([] {
                                   say(L"gave up waiting");
                                   ::PostQuitMessage(3);
                               }),
                               kGiveUpMs);

    say(L"install pressed");
    model->startDownloadPlayer();

    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    const int code = static_cast<int>(msg.wParam);
    say(L"exit code " + std::to_wstring(code));
    VPDownloaderModel::destroy();
    ::CoUninitialize();
    common::stopLog();
    return code;
}
