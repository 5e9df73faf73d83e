// Opens the installer's dialogs over a plain owner window, for screenshots
// and input tests. What happens is written to the journal: button actions
// (with whether the box was still shown), owner clicks and keys, the open
// boxes and the owner's enabled and active state as they change, and where each
// dialog window sits on the screen.
//   vpdialogs.exe [--journal FILE] [--xp] [--again MS] MODE
//   MODE: error       error box, one button, with the error icon
//         question    the exit question: two buttons, no icon
//         long        error box with a long mark-up text
//         licence     a click on the owner opens the licence window
// FILE is relative to the build folder. --xp makes the system look like
// Windows XP (major version 5); --again repeats the box's request after MS.

#include "skinui/multi_language.h"
#include "skinui/window.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/open_boxes.h"
#include "ui/dialogs/protocol_wnd.h"
#include "ui/skin/skin_setup.h"
#include "ui/text/string_bundle.h"
#include "utility/file.h"
#include "utility/system.h"
#include "utility/text.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const UINT_PTR kWatchTimer = 1;
const UINT_PTR kAgainTimer = 2;

struct Options {
    std::wstring mode;
    std::wstring journal;
    bool xp = false;
    UINT again = 0;
};

Options g_options;
FILE* g_journal = nullptr;
ui::text::StringBundle g_texts;
HWND g_owner = nullptr;
ProtocolWnd* g_licence = nullptr;
int g_licencesMade = 0;

void journal(const std::wstring& line)
{
    const std::string utf8 = utility::wideToUtf8(line) + "\n";
    FILE* out = g_journal ? g_journal : stdout;
    std::fwrite(utf8.data(), 1, utf8.size(), out);
    std::fflush(out);
}

std::wstring rectText(HWND window)
{
    RECT r = {};
    ::GetWindowRect(window, &r);
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) + L" " +
           std::to_wstring(r.bottom - r.top);
}

struct BoxCount {
    int n = 0;
    HWND last = nullptr;
};

BOOL CALLBACK countBox(HWND w, LPARAM p)
{
    wchar_t name[32] = {};
    ::GetClassNameW(w, name, 32);
    if (std::wstring(name) == L"MessageBoxWindow" && ::IsWindowVisible(w)) {
        auto* count = reinterpret_cast<BoxCount*>(p);
        ++count->n;
        count->last = w;
    }
    return TRUE;
}

// The message boxes of this thread.
int openBoxWindows(HWND* last)
{
    BoxCount count;
    ::EnumThreadWindows(::GetCurrentThreadId(), &countBox, reinterpret_cast<LPARAM>(&count));
    if (last) *last = count.last;
    return count.n;
}

// A control's rectangle on the screen, once its window is laid out.
std::wstring controlText(SkinUI::WindowImplBase& window, SkinUI::CControlUI& control)
{
    window.paintNow();
    RECT w = {};
    ::GetWindowRect(window.hwnd(), &w);
    const RECT& r = control.pos();
    return std::to_wstring(w.left + r.left) + L" " + std::to_wstring(w.top + r.top) + L" " +
           std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top);
}

const std::wstring& boxText()
{
    static std::wstring text;
    if (!text.empty()) return text;
    if (g_options.mode == L"question") {
        text = g_texts.stringById(L"MsgBox_exit");
    } else if (g_options.mode == L"long") {
        text = L"<c #FFD166>" + g_texts.stringById(L"MsgBox_disk_notEnough") + L"</c> ";
        for (int i = 1; i <= 12; ++i) text += L"Kolvex needs more room on this drive (" + std::to_wstring(i) + L"). ";
    } else {
        text = g_texts.stringById(L"MsgBox_error_path");
    }
    return text;
}

std::function<void()> actionJournal(const std::wstring& name)
{
    return [name] {
        HWND box = nullptr;
        openBoxWindows(&box);
        journal(L"action " + name + (box && ::IsWindowVisible(box) ? L" shown" : L" hidden") +
                (msg::OpenBoxRegistry::instance().contains(boxText()) ? L" registered" : L" unregistered"));
    };
}

void requestBox()
{
    if (g_options.mode == L"question") {
        SelectionInfo sure;
        sure.text = g_texts.stringById(L"sure");
        sure.action = actionJournal(L"sure");
        sure.defaultLook = false;
        SelectionInfo cancel;
        cancel.text = g_texts.stringById(L"cancel");
        cancel.action = actionJournal(L"cancel");
        cancel.defaultLook = true;
        msg::showMessageBox(g_owner, L"", g_texts.stringById(L"MSGBox_noice"), boxText(), sure, cancel);
    } else {
        msg::showErrorBox(g_owner, msg::makeConfirmSelection(actionJournal(L"confirm")),
                          g_texts.stringById(L"MsgBox_error"), boxText());
    }
    HWND box = nullptr;
    const int boxes = openBoxWindows(&box);
    journal(L"boxes " + std::to_wstring(boxes));
    if (!box) return;
    journal(L"box at " + rectText(box));
    SkinUI::WindowImplBase* window = SkinUI::WindowImplBase::fromHandle(box);
    SkinUI::CControlUI* row = window ? window->findControl(L"bottombar") : nullptr;
    if (!row || !row->asContainer()) return;
    for (std::size_t i = 1; i < row->asContainer()->count(); ++i)
        journal(L"button " + std::to_wstring(i) + L" at " + controlText(*window, *row->asContainer()->itemAt(i)));
    if (SkinUI::CControlUI* close = window->findControl(L"closebtn"))
        journal(L"closebtn at " + controlText(*window, *close));
}

void openLicence()
{
    if (!g_licence) {
        g_licence = new ProtocolWnd;
        if (!g_licence->create(g_owner, L"protocolWnd", WS_POPUP | WS_BORDER | WS_SYSMENU, 0)) {
            delete g_licence;
            g_licence = nullptr;
            journal(L"licence not created");
            return;
        }
        g_licence->centerWindow();
        g_licence->setCloseAction([] {
            g_licence = nullptr;
            journal(L"licence closed");
        });
        ++g_licencesMade;
        journal(L"licence made " + std::to_wstring(g_licencesMade));
    }
    g_licence->showWindow(true, true);
    journal(L"licence at " + rectText(g_licence->hwnd()));
    for (const wchar_t* name : {L"confirmprotocolbtn", L"protocoledit"})
        if (SkinUI::CControlUI* control = g_licence->findControl(name))
            journal(std::wstring(name) + L" at " + controlText(*g_licence, *control));
}

// Journals the open boxes and the owner's state whenever they change.
void watch()
{
    static std::wstring last;
    const std::wstring now = L"state open " + std::to_wstring(msg::OpenBoxRegistry::instance().size()) + L" owner " +
                             (::IsWindowEnabled(g_owner) ? L"enabled" : L"disabled") +
                             (::GetForegroundWindow() == g_owner ? L" active" : L"");
    if (now != last) journal(now);
    last = now;
}

LRESULT CALLBACK ownerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        journal(L"owner click");
        if (g_options.mode == L"licence") openLicence();
        return 0;
    case WM_RBUTTONDOWN:
        // The test's way to end the tool, whatever the mode.
        ::DestroyWindow(hwnd);
        return 0;
    case WM_KEYDOWN:
        journal(L"owner key " + std::to_wstring(wParam));
        if (wParam == VK_ESCAPE) ::DestroyWindow(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == kWatchTimer) watch();
        if (wParam == kAgainTimer) {
            ::KillTimer(hwnd, kAgainTimer);
            journal(L"request again");
            requestBox();
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT r;
        ::GetClientRect(hwnd, &r);
        HBRUSH brush = ::CreateSolidBrush(RGB(0xE6, 0xEE, 0xF5));
        ::FillRect(dc, &r, brush);
        ::DeleteObject(brush);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

bool loadSkin()
{
    // The skin packaged in the installer beside this tool's folder.
    const std::wstring installer = utility::ufile::parentFolder(utility::ufile::moduleFolder()) + L"KolvexSetup.exe";
    HMODULE program = ::LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ui::skin::FileTable package;
    const bool loaded = program && ui::skin::loadPackageResource(program, package);
    if (program) ::FreeLibrary(program);
    if (!loaded) return false;
    ui::skin::SkinFiles& files = ui::skin::SkinFiles::instance();
    files.setPackage(package);
    SkinUI::setFileSource(&files);
    SkinUI::setInstance(::GetModuleHandleW(nullptr));
    ui::skin::loadMultiLanguageTables(files);
    std::wstring bundle;
    if (ui::text::readBundleDocument(ui::text::kBundleFile, bundle)) g_texts.load(bundle);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--journal" && i + 1 < argc) g_options.journal = argv[++i];
        else if (arg == L"--again" && i + 1 < argc) g_options.again = static_cast<UINT>(_wtoi(argv[++i]));
        else if (arg == L"--xp") g_options.xp = true;
        else g_options.mode = arg;
    }
    if (g_options.mode != L"error" && g_options.mode != L"question" && g_options.mode != L"long" &&
        g_options.mode != L"licence") {
        std::fwprintf(stderr, L"usage: vpdialogs [--journal FILE] [--xp] [--again MS] error|question|long|licence\n");
        return 2;
    }
    if (!g_options.journal.empty()) {
        const std::wstring path = utility::ufile::parentFolder(utility::ufile::moduleFolder()) + g_options.journal;
        g_journal = _wfopen(path.c_str(), L"ab");
    }
    if (g_options.xp) utility::usystem::setOsMajorVersionForTesting(5);
    if (!loadSkin()) {
        journal(L"no skin package");
        return 1;
    }

    WNDCLASSW wc = {};
    wc.lpfnWndProc = &ownerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"vpdialogsowner";
    ::RegisterClassW(&wc);
    g_owner = ::CreateWindowExW(0, wc.lpszClassName, L"Kolvex dialogs owner", WS_POPUP | WS_VISIBLE, 40, 40, 700,
                                560, nullptr, nullptr, wc.hInstance, nullptr);
    if (!g_owner) return 1;
    journal(L"owner at " + rectText(g_owner));
    ::SetTimer(g_owner, kWatchTimer, 50, nullptr);
    if (g_options.mode != L"licence") requestBox();
    if (g_options.again > 0) ::SetTimer(g_owner, kAgainTimer, g_options.again, nullptr);

    const int code = SkinUI::WindowImplBase::messageLoop();
    if (g_journal) std::fclose(g_journal);
    return code;
}
