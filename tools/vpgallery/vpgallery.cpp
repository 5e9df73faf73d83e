// Opens one layout of the skin as its window, centred, with sample texts,
// until it is closed: for screenshots and for input tests, which read the
// notifications from --log. --bench times the first paint (the median of 9
// windows' creation), the first showing and a hover repaint instead.
// --where prints the centres of the named controls (window coordinates, as
// laid out) and ends: scripts that click the installer's window ask here.
// --fit prints, for each shown text, what it needs and the room its box
// gives, in pixels at the display's DPI, and ends with 1 when one does not
// fit.
//   vpgallery.exe [--log FILE] [--page N] [--custom] [--bench] [--where a,b] [--fit] LAYOUT

#include "platform/delay_load.h"
#include "platform/system_library.h"
#include "skinui/dpi.h"
#include "skinui/multi_language.h"
#include "skinui/text_fit.h"
#include "skinui/window.h"
#include "skinui/xml_document.h"
#include "ui/skin/skin_setup.h"
#include "utility/file.h"
#include "utility/text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

struct Options {
    std::wstring layout;
    std::wstring log;
    int page = -1;
    bool custom = false;
    bool bench = false;
    bool fit = false;
    std::wstring where;
};

// The simplified-Chinese bundle, as the installer shows it.
std::map<std::wstring, std::wstring> loadBundle()
{
    std::map<std::wstring, std::wstring> texts;
    std::string bytes;
    if (!SkinUI::loadFile(L"language/downloader_cn.xml", bytes)) return texts;
    SkinUI::CXmlDocument doc;
    if (!doc.parse(SkinUI::fromUtf8(bytes))) return texts;
    for (const auto& child : doc.root()->children())
        if (child->name() == L"String") texts[child->attribute(L"id")] = child->text();
    return texts;
}

class GalleryWindow : public SkinUI::WindowImplBase {
public:
    explicit GalleryWindow(const Options& options) : options_(options)
    {
        if (!options.log.empty()) log_ = _wfopen(options.log.c_str(), L"wb");
    }
    ~GalleryWindow() override
    {
        if (log_) fclose(log_);
    }

    const wchar_t* windowClassName() const override { return L"vpgallery"; }
    std::wstring skinFile() override { return options_.layout; }

    void initWindow() override
    {
        const auto texts = loadBundle();
        auto text = [&](const wchar_t* control, const wchar_t* id) {
            SkinUI::CControlUI* c = findControl(control);
            const auto found = texts.find(id);
            if (c) c->setText(found == texts.end() ? id : found->second);
        };
        text(L"progress_download_label", L"progress_download_label");
        text(L"progress_install_label", L"progress_install_label");
        text(L"progress_finish_label", L"progress_finish_label");
        text(L"loadingprogresslabel", L"progress_downloading_label");
        text(L"pathErrorLabel", L"Label_path_error");
        text(L"LicenseAgreementText", L"protocol_accept");
        text(L"tastenowbtn", L"Button_start_player");
        text(L"installnowbtn", options_.custom ? L"Button_install_now" : L"Button_install_fast");
        text(L"userdefinitionBtn", L"Button_install_define");
        text(L"backBtn", L"Button_install_back");
        text(L"browsebtn", L"browser");
        text(L"homepageBtn", L"homepage");
        text(L"confirmprotocolbtn", L"sure");
        text(L"apkinstallprogresslabel", L"Label_installingapp_waiting");
        if (SkinUI::CControlUI* title = findControl(L"titlename")) title->setText(L"Kolvex");
        if (SkinUI::CControlUI* edit = findControl(L"pathedit")) edit->setText(L"C:\\Program Files\\Kolvex\\vpplayer2\\");
        if (SkinUI::CControlUI* amount = findControl(L"downloadProgressLabel")) amount->setText(L"12.50M/286.10M");
        if (SkinUI::CControlUI* rate = findControl(L"downloadRateLabel")) rate->setText(L"1.4 MB/s  \x5269\x4F59\x7EA6" L"3\x5206\x949F");
        if (auto* bar = dynamic_cast<SkinUI::CProgressUI*>(findControl(L"installprogressbar"))) bar->setValue(33);
        if (auto* bar = dynamic_cast<SkinUI::CProgressUI*>(findControl(L"apkinstallprogressbar"))) bar->setValue(60);
        if (SkinUI::CControlUI* apk = findControl(L"apkfilenamelabel")) apk->setText(L"com.example.game.apk");
        if (SkinUI::CControlUI* rich = findControl(L"protocoledit")) {
            std::wstring licence;
            for (int i = 1; i <= 40; ++i)
                licence += L"\x7B2C" + std::to_wstring(i) + L"\x6761  Kolvex licence sample text, line " +
                           std::to_wstring(i) + L": the terms that govern the use of the emulator.\r\n";
            rich->setText(licence);
        }
        if (options_.custom) {
            for (const wchar_t* name : {L"userdefinitionsui", L"backBtn", L"direction_left"})
                if (SkinUI::CControlUI* c = findControl(name)) c->setVisible(true);
            for (const wchar_t* name : {L"userdefinitionBtn", L"direction_right"})
                if (SkinUI::CControlUI* c = findControl(name)) c->setVisible(false);
        }
        if (findControl(L"bottombar")) messageBoxSample(texts);
        if (options_.page >= 0)
            if (auto* tab = dynamic_cast<SkinUI::CTabLayoutUI*>(findControl(L"maintab"))) tab->selectItem(options_.page);
        const auto caption = texts.find(L"Title_wndTitle");
        if (caption != texts.end()) ::SetWindowTextW(hwnd(), caption->second.c_str());
    }

    void notify(SkinUI::TNotifyUI& msg) override
    {
        if (log_ && msg.sender) {
            std::wstring line = msg.type + L" " + msg.sender->name();
            if (msg.type == L"killfocus") line += L" " + msg.sender->text();
            if (auto* option = dynamic_cast<SkinUI::COptionUI*>(msg.sender))
                line += option->isSelected() ? L" selected" : L" unselected";
            const std::string utf8 = utility::wideToUtf8(line) + "\n";
            fwrite(utf8.data(), 1, utf8.size(), log_);
            fflush(log_);
        }
        SkinUI::WindowImplBase::notify(msg);
    }

    void onFinalMessage(HWND) override { ::PostQuitMessage(static_cast<int>(closeResult())); }

private:
    void messageBoxSample(const std::map<std::wstring, std::wstring>& texts)
    {
        auto find = [&](const wchar_t* id) {
            const auto found = texts.find(id);
            return found == texts.end() ? std::wstring(id) : found->second;
        };
        if (SkinUI::CControlUI* title = findControl(L"titlelabel")) title->setText(find(L"MSGBox_noice"));
        if (SkinUI::CControlUI* text = findControl(L"descriptlabel")) {
            text->setAttribute(L"align", L"left");
            text->setAttribute(L"valign", L"vcenter");
            text->setAttribute(L"multiline", L"true");
            text->setText(find(L"MsgBox_exit"));
        }
        const wchar_t* const files[] = {L"msg/msg_button_sup.png", L"msg/msg_button_def.png"};
        const wchar_t* const ids[] = {L"sure", L"cancel"};
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<SkinUI::CButtonUI> button(new SkinUI::CButtonUI);
            button->setName(i == 0 ? L"surebtn" : L"cancelbtn");
            button->setText(find(ids[i]));
            button->setAttribute(L"height", L"29");
            button->setAttribute(L"valign", L"vcenter");
            button->setAttribute(L"align", L"center");
            button->setAttribute(L"textpadding", L"20,0,20,0");
            button->setAttribute(L"padding", L"5,4,15,0");
            button->setAttribute(L"textcolor", L"#00FFFFFF");
            const std::wstring file = files[i];
            button->setNormalImage(L"file='" + file + L"' source='0,0,10,10' corner='4,4,4,4'");
            button->setHotImage(L"file='" + file + L"' source='10,0,20,10' corner='4,4,4,4'");
            button->setPushedImage(L"file='" + file + L"' source='20,0,30,10' corner='4,4,4,4'");
            addControl(L"bottombar", std::move(button));
        }
    }

    Options options_;
    FILE* log_ = nullptr;
};

double nowMs()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int bench(const Options& options)
{
    // A warm-up window first: GDI+, fonts and pictures are loaded once per
    // process, as in the installer before its main window.
    {
        GalleryWindow warm(options);
        warm.create(nullptr, L"", WS_POPUP, 0);
    }
    double hover = 0, hoverWorst = 0, hoverPaint = 0, hoverPresent = 0;
    // The median first paint: one slow round on a shared machine moves a
    // mean a lot.
    std::vector<double> first, shown;
    const int rounds = 9;
    for (int i = 0; i < rounds; ++i) {
        GalleryWindow window(options);
        const double start = nowMs();
        if (!window.create(nullptr, L"", WS_POPUP, 0)) return 1;
        first.push_back(nowMs() - start);
        // Shown, and the changes made by the initialisation step painted,
        // as the message loop would before the mouse arrives.
        window.showWindow(true, false);
        shown.push_back(nowMs() - start);
        window.paintNow();
        SkinUI::CControlUI* button = window.findControl(L"installnowbtn");
        if (!button) button = window.findControl(L"closebtn");
        if (!button) continue;
        button->setState(SkinUI::CControlUI::kHot, true);
        const double h = window.repaintControlNow(*button);
        hover += h;
        hoverWorst = std::max(hoverWorst, h);
        hoverPaint += window.lastPaintMs();
        hoverPresent += window.lastPresentMs();
    }
    std::printf("hover repaint ms: %.2f (worst %.2f; painting %.2f, showing %.2f)\n", hover / rounds, hoverWorst,
                hoverPaint / rounds, hoverPresent / rounds);
    std::sort(first.begin(), first.end());
    std::sort(shown.begin(), shown.end());
    // Shown: created, then on the screen (a layered window's one upload).
    std::printf("first shown ms: %.2f\n", shown.empty() ? 0.0 : shown[shown.size() / 2]);
    std::printf("first paint ms: %.2f\n", first.empty() ? 0.0 : first[first.size() / 2]);
    return 0;
}

// "name x y" per control, its centre in window coordinates; "name -" when
// the layout has no such control.
int where(const Options& options)
{
    GalleryWindow window(options);
    if (!window.create(nullptr, L"", WS_POPUP, 0)) return 1;
    window.paintNow();
    std::wstring rest = options.where + L",";
    for (std::size_t comma; (comma = rest.find(L',')) != std::wstring::npos; rest.erase(0, comma + 1)) {
        const std::wstring name = rest.substr(0, comma);
        if (name.empty()) continue;
        const std::string utf8 = utility::wideToUtf8(name);
        SkinUI::CControlUI* control = window.findControl(name);
        if (!control) {
            std::printf("%s -\n", utf8.c_str());
            continue;
        }
        const RECT& r = control->pos();
        std::printf("%s %ld %ld\n", utf8.c_str(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::fflush(stdout);
    return 0;
}

// "name needs WxH room WxH fits|CLIPPED" per shown text, at the window's DPI.
int fit(const Options& options)
{
    GalleryWindow window(options);
    if (!window.create(nullptr, L"", WS_POPUP, 0)) return 1;
    const SkinUI::CSurface& laidOut = window.paintNow();
    if (!window.layout().root) return 1;
    SkinUI::CSurface surface;
    if (!surface.resize(laidOut.width(), laidOut.height())) return 1;
    SkinUI::CPainter painter(surface, window.dpi());
    painter.setFonts(window.layout().fonts);
    int clipped = 0;
    std::printf("dpi %d, window %dx%d\n", window.dpi(), laidOut.width(), laidOut.height());
    for (const SkinUI::CTextFit& text : SkinUI::measureTexts(painter, *window.layout().root)) {
        clipped += text.fits() ? 0 : 1;
        std::printf("%s needs %dx%d room %dx%d %s\n", utility::wideToUtf8(text.name).c_str(), text.neededWidth,
                    text.neededHeight, text.roomWidth, text.roomHeight, text.fits() ? "fits" : "CLIPPED");
    }
    std::fflush(stdout);
    return clipped ? 1 : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // As the installer's own entry does.
    platform::restrictLibrarySearch();
    platform::useSystemFolderForDelayLoads();
    SkinUI::enableDpiAwareness();
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--log" && i + 1 < argc) options.log = argv[++i];
        else if (arg == L"--page" && i + 1 < argc) options.page = _wtoi(argv[++i]);
        else if (arg == L"--custom") options.custom = true;
        else if (arg == L"--bench") options.bench = true;
        else if (arg == L"--where" && i + 1 < argc) options.where = argv[++i];
        else if (arg == L"--fit") options.fit = true;
        else options.layout = arg;
    }
    if (options.layout.empty()) {
        std::fwprintf(stderr, L"usage: vpgallery [--log FILE] [--page N] [--custom] [--bench] [--where a,b] [--fit] LAYOUT\n");
        return 2;
    }
    // The skin packaged in the installer beside this tool's folder.
    const std::wstring installer = utility::ufile::parentFolder(utility::ufile::moduleFolder()) + L"KolvexSetup.exe";
    HMODULE program = ::LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ui::skin::FileTable package;
    if (!program || !ui::skin::loadPackageResource(program, package)) {
        std::fwprintf(stderr, L"no skin package in %ls\n", installer.c_str());
        return 1;
    }
    ::FreeLibrary(program);
    ui::skin::SkinFiles& files = ui::skin::SkinFiles::instance();
    files.setPackage(package);
    SkinUI::setFileSource(&files);
    SkinUI::setInstance(::GetModuleHandleW(nullptr));
    ui::skin::loadMultiLanguageTables(files);

    if (options.bench) return bench(options);
    if (!options.where.empty()) return where(options);
    if (options.fit) return fit(options);

    GalleryWindow* window = new GalleryWindow(options);
    if (!window->create(nullptr, L"vpgallery", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0)) return 1;
    window->centerWindow();
    window->showWindow(true, true);
    const int code = SkinUI::WindowImplBase::messageLoop();
    delete window;
    return code;
}
