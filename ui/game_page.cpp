#include "ui/game_page.h"

#include "model/download_rules.h"
#include "skinui/markup.h"

namespace ui {

namespace {

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = 1024 * 1024;
constexpr int kInstallBarEnd = 98;
constexpr int kDownloadBarEnd = 99;

// Small percentages show a little progress, as the emulator's bar does.
int visibleBar(int percent) { return percent == 1 || percent == 2 ? 3 : percent; }

} // namespace

PackageProgressView packageDownloadProgress(const std::wstring& downloading, const std::wstring& appName, int index,
                                            std::size_t count, std::int64_t received, std::int64_t total)
{
    if (received < 0) received = 0;
    const int percent = total > 0 ? static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100.0)
                                  : 0;
    // The name comes from the game service: shown as it is, never as mark-up.
    std::wstring text = downloading + SkinUI::escapeMarkup(appName);
    if (count > 1)
        text += L" (" + std::to_wstring(index) + L"/" + std::to_wstring(count) + L")\uFF1A";
    else
        text += L"\uFF1A";
    if (received < kMiB)
        text += std::to_wstring(received / kKiB) + L"KB / ";
    else
        text += std::to_wstring(received / kMiB) + L"M / ";
    text += std::to_wstring(total > 0 ? total / kMiB : 0) + L"M (<c #268fd6>" + std::to_wstring(percent) + L"%</c>)";

    PackageProgressView view;
    view.label = text;
    const int bar = visibleBar(percent);
    view.bar = bar > kDownloadBarEnd ? kDownloadBarEnd : (bar < 0 ? 0 : bar);
    return view;
}

bool packageProgressDue(std::uint32_t now, std::uint32_t lastForwarded, std::int64_t received, std::int64_t total)
{
    if (total > 0 && received >= total) return true;
    return download_rules::progressDue(now, lastForwarded);
}

InstallBarStep packageInstallBarStep(int& counter)
{
    InstallBarStep step;
    ++counter;
    if (counter == 1 || counter == 2) {
        counter = 3;
    } else if (counter >= kInstallBarEnd) {
        counter = kInstallBarEnd;
        step.stop = true;
    }
    step.value = counter;
    return step;
}

EndOfInstallation endOfInstallation(const std::vector<GameRecord>& games)
{
    EndOfInstallation end;
    end.decision = decideGameHandover(games);
    const GameHandover form = end.decision.form;
    // The fetch hands over only the package, which its start text guards.
    if (form == GameHandover::None || form == GameHandover::FetchPackages) return end;
    end.droppedField = unsafeArgumentField(games.front());
    if (end.droppedField) end.decision = HandoverDecision();
    return end;
}

} // namespace ui
