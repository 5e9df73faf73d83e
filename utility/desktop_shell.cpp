#include "utility/desktop_shell.h"

#include "platform/com_ptr.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

namespace utility {
namespace usystem {

namespace {

// Interface and class numbers of the system's shell, written out here: the
// toolchain's GUID library does not carry them all.
const GUID kClsidShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
const GUID kIidShellWindows = {0x85cb6900, 0x4d95, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
const GUID kIidServiceProvider = {0x6d5140c1, 0x7436, 0x11ce, {0x80, 0x34, 0x00, 0xaa, 0x00, 0x60, 0x09, 0xfa}};
const GUID kSidTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};
const GUID kIidShellBrowser = {0x000214e2, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIidShellFolderViewDual = {0xe7a1af80, 0x4d96, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
const GUID kIidShellDispatch2 = {0xa4c6892c, 0x3ba9, 0x11d2, {0x9d, 0xea, 0x00, 0xc0, 0x4f, 0xb1, 0x61, 0x62}};

// Owner of a VARIANT's contents (a BSTR in it is freed with it).
class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    explicit Variant(const std::wstring& text) : Variant()
    {
        v_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (v_.bstrVal) v_.vt = VT_BSTR;
    }
    explicit Variant(long number) : Variant()
    {
        v_.vt = VT_I4;
        v_.lVal = number;
    }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &v_; }
    // A text that could not be allocated is no text.
    bool textMissing() const { return v_.vt != VT_BSTR; }

private:
    VARIANT v_;
};

DesktopShellResult failed(DesktopShellStep step, HRESULT error)
{
    DesktopShellResult result;
    result.failedAt = step;
    // A call that answered S_FALSE or handed out nothing still failed.
    result.error = FAILED(error) ? error : E_FAIL;
    return result;
}

} // namespace

const wchar_t* desktopShellStepName(DesktopShellStep step)
{
    switch (step) {
    case DesktopShellStep::ShellWindows: return L"ShellWindows";
    case DesktopShellStep::DesktopWindow: return L"FindWindowSW";
    case DesktopShellStep::ShellBrowser: return L"top-level browser";
    case DesktopShellStep::ShellView: return L"active shell view";
    case DesktopShellStep::ViewDispatch: return L"view background";
    case DesktopShellStep::FolderView: return L"IShellFolderViewDual";
    case DesktopShellStep::Application: return L"Application";
    case DesktopShellStep::ShellDispatch: return L"IShellDispatch2";
    case DesktopShellStep::Execute: return L"ShellExecute";
    case DesktopShellStep::Done: return L"done";
    }
    return L"?";
}

DesktopShellResult executeThroughDesktopShell(const std::wstring& file, const std::wstring& parameters)
{
    platform::ComPtr<IShellWindows> windows;
    HRESULT hr = ::CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_LOCAL_SERVER, kIidShellWindows,
                                    windows.outVoid());
    if (FAILED(hr) || !windows) return failed(DesktopShellStep::ShellWindows, hr);

    Variant desktop(static_cast<long>(CSIDL_DESKTOP));
    Variant none;
    long desktopWindow = 0;
    platform::ComPtr<IDispatch> desktopDispatch;
    hr = windows->FindWindowSW(desktop.get(), none.get(), SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                               desktopDispatch.out());
    // S_FALSE: no desktop window is registered (no shell runs).
    if (hr != S_OK || !desktopDispatch) return failed(DesktopShellStep::DesktopWindow, hr);

    platform::ComPtr<IServiceProvider> services;
    platform::ComPtr<IShellBrowser> browser;
    hr = desktopDispatch->QueryInterface(kIidServiceProvider, services.outVoid());
    if (SUCCEEDED(hr) && services)
        hr = services->QueryService(kSidTopLevelBrowser, kIidShellBrowser, browser.outVoid());
    if (FAILED(hr) || !browser) return failed(DesktopShellStep::ShellBrowser, hr);

    platform::ComPtr<IShellView> view;
    hr = browser->QueryActiveShellView(view.out());
    if (FAILED(hr) || !view) return failed(DesktopShellStep::ShellView, hr);

    platform::ComPtr<IDispatch> background;
    hr = view->GetItemObject(SVGIO_BACKGROUND, kIidDispatch, background.outVoid());
    if (FAILED(hr) || !background) return failed(DesktopShellStep::ViewDispatch, hr);

    platform::ComPtr<IShellFolderViewDual> folderView;
    hr = background->QueryInterface(kIidShellFolderViewDual, folderView.outVoid());
    if (FAILED(hr) || !folderView) return failed(DesktopShellStep::FolderView, hr);

    platform::ComPtr<IDispatch> application;
    hr = folderView->get_Application(application.out());
    if (FAILED(hr) || !application) return failed(DesktopShellStep::Application, hr);

    platform::ComPtr<IShellDispatch2> shell;
    hr = application->QueryInterface(kIidShellDispatch2, shell.outVoid());
    if (FAILED(hr) || !shell) return failed(DesktopShellStep::ShellDispatch, hr);

    Variant arguments(parameters);
    Variant folder;
    Variant verb(std::wstring(L"open"));
    Variant show(static_cast<long>(SW_SHOWNORMAL));
    Variant program(file);
    if (program.textMissing() || arguments.textMissing() || verb.textMissing())
        return failed(DesktopShellStep::Execute, E_OUTOFMEMORY);
    hr = shell->ShellExecute(program.get()->bstrVal, *arguments.get(), *folder.get(), *verb.get(), *show.get());
    if (FAILED(hr)) return failed(DesktopShellStep::Execute, hr);
    return DesktopShellResult();
}

} // namespace usystem
} // namespace utility
