#include "skinui/accessible.h"

#include "platform/system_library.h"
#include "skinui/accessible_tree.h"
#include "skinui/focus_order.h"
#include "skinui/resources.h"

#include <oleacc.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace SkinUI {

namespace {

// The toolchain's IID_IAccessible is a data import that reads as garbage
// unless declared as one; the numbers are the interface's own.
const IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const IID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// oleacc and oleaut32 come from the system folder when a reader first
// asks: never imported, so a planted copy beside the program is never
// loaded, and a run without a reader loads neither. Kept for the process.
struct OleFunctions {
    using LresultFn = LRESULT WINAPI(REFIID, WPARAM, LPUNKNOWN);
    using StdObjectFn = HRESULT WINAPI(HWND, LONG, REFIID, void**);
    using AllocFn = BSTR WINAPI(const OLECHAR*, UINT);
    LresultFn* lresult = nullptr;
    StdObjectFn* stdObject = nullptr;
    AllocFn* alloc = nullptr;

    static const OleFunctions& get()
    {
        static const OleFunctions functions = [] {
            OleFunctions f;
            const HMODULE oleacc = platform::loadSystemLibrary(L"oleacc.dll");
            const HMODULE oleaut = platform::loadSystemLibrary(L"oleaut32.dll");
            f.lresult = platform::procAddress<LresultFn>(oleacc, "LresultFromObject");
            f.stdObject = platform::procAddress<StdObjectFn>(oleacc, "CreateStdAccessibleObject");
            f.alloc = platform::procAddress<AllocFn>(oleaut, "SysAllocStringLen");
            if (!f.lresult || !f.alloc) SKINUI_TRACE(L"no accessibility support: oleacc or oleaut32 missing");
            return f;
        }();
        return functions;
    }
};

HRESULT giveString(const std::wstring& text, BSTR* out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    const OleFunctions& ole = OleFunctions::get();
    if (!ole.alloc) return E_OUTOFMEMORY;
    *out = ole.alloc(text.c_str(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void giveChild(long id, VARIANT* out)
{
    out->vt = VT_I4;
    out->lVal = id;
}

RECT screenRect(HWND hwnd, const RECT& client)
{
    POINT a = {client.left, client.top};
    POINT b = {client.right, client.bottom};
    ::ClientToScreen(hwnd, &a);
    ::ClientToScreen(hwnd, &b);
    return RECT{a.x, a.y, b.x, b.y};
}

bool shownItem(const CControlUI& control, const AccessibleContext& context)
{
    return (accessibleState(control, context) & STATE_SYSTEM_INVISIBLE) == 0;
}

// The nearest shown child beyond start in a direction: its middle past
// start's edge, sideways offsets weighing double.
long neighbourOf(const std::vector<CControlUI*>& all, std::size_t start, long direction,
                 const AccessibleContext& context)
{
    const RECT s = all[start]->pos();
    long best = 0;
    long long bestDistance = LLONG_MAX;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i == start || !shownItem(*all[i], context)) continue;
        const RECT r = all[i]->pos();
        const long cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        const long sx = (s.left + s.right) / 2, sy = (s.top + s.bottom) / 2;
        long along = 0, aside = 0;
        switch (direction) {
        case NAVDIR_RIGHT: along = cx - s.right; aside = cy - sy; break;
        case NAVDIR_LEFT: along = s.left - cx; aside = cy - sy; break;
        case NAVDIR_DOWN: along = cy - s.bottom; aside = cx - sx; break;
        case NAVDIR_UP: along = s.top - cy; aside = cx - sx; break;
        default: return 0;
        }
        if (along < 0) continue;
        const long long distance = along + 2LL * std::labs(aside);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<long>(i) + 1;
        }
    }
    return best;
}

} // namespace

class CAccessibleObject final : public IAccessible {
public:
    explicit CAccessibleObject(IAccessibleHost& host) : host_(&host) {}

    void disconnect() { host_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, kIidUnknown) && !IsEqualIID(iid, kIidDispatch) && !IsEqualIID(iid, kIidAccessible))
            return E_NOINTERFACE;
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers call the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_INVALIDARG;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (!parent) return E_INVALIDARG;
        *parent = nullptr;
        if (!host_) return CO_E_OBJNOTCONNECTED;
        const OleFunctions& ole = OleFunctions::get();
        if (!ole.stdObject) return S_FALSE;
        // The window's own frame object, as for any window.
        return ole.stdObject(host_->accessibleWindow(), OBJID_WINDOW, kIidDispatch, reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (!count) return E_INVALIDARG;
        *count = 0;
        if (!host_) return CO_E_OBJNOTCONNECTED;
        *count = static_cast<long>(children().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!host_) return CO_E_OBJNOTCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) {
            AddRef();
            *out = this;
            return S_OK;
        }
        // The children are simple elements of this object.
        return control(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        if (!c) return giveString(windowText(), name);
        return giveString(accessibleName(*c, *host_->accessibleRoot()), name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        if (value) *value = nullptr;
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        std::wstring text;
        if (!c || !accessibleValue(*c, text)) return DISP_E_MEMBERNOTFOUND;
        return giveString(text, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        // A tooltip that says more than the name.
        if (!c || c->tooltip() == accessibleName(*c, *host_->accessibleRoot())) return giveString(std::wstring(), description);
        return giveString(c->tooltip(), description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!role) return E_INVALIDARG;
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        giveChild(c ? accessibleRole(*c) : host_->clientRole(), role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (!state) return E_INVALIDARG;
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        HWND hwnd = host_->accessibleWindow();
        unsigned long bits = 0;
        if (c) {
            bits = accessibleState(*c, host_->accessibleContext());
        } else {
            if (!::IsWindowVisible(hwnd)) bits |= STATE_SYSTEM_INVISIBLE;
            if (!::IsWindowEnabled(hwnd)) bits |= STATE_SYSTEM_UNAVAILABLE;
            bits |= STATE_SYSTEM_FOCUSABLE;
            if (::GetFocus() == hwnd) bits |= STATE_SYSTEM_FOCUSED;
        }
        giveChild(static_cast<long>(bits), state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return giveString(std::wstring(), help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        return giveString(c && c == host_->defaultControl() ? L"Enter" : std::wstring(), shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (!focus) return E_INVALIDARG;
        focus->vt = VT_EMPTY;
        if (!host_) return CO_E_OBJNOTCONNECTED;
        if (::GetFocus() != host_->accessibleWindow()) return S_FALSE;
        const CControlUI* focused = host_->focusedControl();
        giveChild(focused ? childIdOf(*host_->accessibleRoot(), focused) : CHILDID_SELF, focus);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        if (!selection) return E_INVALIDARG;
        selection->vt = VT_EMPTY;
        return host_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        return giveString(c ? defaultActionOf(*c) : std::wstring(), action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        if (!c || flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
        if (!canTakeFocus(*c)) return S_FALSE;
        host_->requestFocus(*c);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        if (!left || !top || !width || !height) return E_INVALIDARG;
        *left = *top = *width = *height = 0;
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        HWND hwnd = host_->accessibleWindow();
        RECT client = {0, 0, 0, 0};
        if (c) client = c->pos();
        else ::GetClientRect(hwnd, &client);
        const RECT r = screenRect(hwnd, client);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        if (!end) return E_INVALIDARG;
        end->vt = VT_EMPTY;
        HRESULT hr = S_OK;
        CControlUI* from = resolve(start, hr);
        if (FAILED(hr)) return hr;
        const std::vector<CControlUI*> all = children();
        const AccessibleContext now = host_->accessibleContext();
        long found = 0;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            if (from) return E_INVALIDARG;
            for (std::size_t n = 0; n < all.size() && !found; ++n) {
                const std::size_t i = direction == NAVDIR_FIRSTCHILD ? n : all.size() - 1 - n;
                if (shownItem(*all[i], now)) found = static_cast<long>(i) + 1;
            }
        } else if (from) {
            // resolve() took the id as an index of these children.
            const std::size_t at = static_cast<std::size_t>(start.lVal - 1);
            if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
                const bool forward = direction == NAVDIR_NEXT;
                for (std::size_t i = at; !found;) {
                    if (forward ? ++i >= all.size() : i-- == 0) break;
                    if (shownItem(*all[i], now)) found = static_cast<long>(i) + 1;
                }
            } else {
                found = neighbourOf(all, at, direction, now);
            }
        } else {
            // Siblings of the client area belong to the frame's object.
            return S_FALSE;
        }
        if (!found) return S_FALSE;
        giveChild(found, end);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        if (!child) return E_INVALIDARG;
        child->vt = VT_EMPTY;
        if (!host_) return CO_E_OBJNOTCONNECTED;
        HWND hwnd = host_->accessibleWindow();
        POINT pt = {x, y};
        ::ScreenToClient(hwnd, &pt);
        RECT client;
        ::GetClientRect(hwnd, &client);
        if (!::PtInRect(&client, pt)) return S_FALSE;
        const std::vector<CControlUI*> all = children();
        const AccessibleContext now = host_->accessibleContext();
        // Later controls lie on top.
        for (std::size_t i = all.size(); i-- > 0;) {
            const RECT& r = all[i]->pos();
            if (shownItem(*all[i], now) && ::PtInRect(&r, pt)) {
                giveChild(static_cast<long>(i) + 1, child);
                return S_OK;
            }
        }
        giveChild(CHILDID_SELF, child);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        HRESULT hr = S_OK;
        CControlUI* c = resolve(child, hr);
        if (FAILED(hr)) return hr;
        if (!c || defaultActionOf(*c).empty()) return DISP_E_MEMBERNOTFOUND;
        if (!c->isEnabled() || !isShown(*c)) return E_FAIL;
        host_->requestDefaultAction(*c);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~CAccessibleObject() = default;

    std::vector<CControlUI*> children() const
    {
        CControlUI* root = host_ ? host_->accessibleRoot() : nullptr;
        return root ? accessibleControls(*root) : std::vector<CControlUI*>();
    }
    CControlUI* control(const VARIANT& child) const
    {
        if (child.vt != VT_I4 || child.lVal <= 0) return nullptr;
        const std::vector<CControlUI*> all = children();
        const std::size_t index = static_cast<std::size_t>(child.lVal) - 1;
        return index < all.size() ? all[index] : nullptr;
    }
    // The control a child id names; null with S_OK for the window itself.
    CControlUI* resolve(const VARIANT& child, HRESULT& hr) const
    {
        hr = S_OK;
        if (!host_) {
            hr = CO_E_OBJNOTCONNECTED;
            return nullptr;
        }
        if (child.vt == VT_EMPTY || (child.vt == VT_I4 && child.lVal == CHILDID_SELF)) return nullptr;
        CControlUI* c = control(child);
        if (!c) hr = E_INVALIDARG;
        return c;
    }
    std::wstring windowText() const
    {
        HWND hwnd = host_->accessibleWindow();
        const int length = ::GetWindowTextLengthW(hwnd);
        if (length <= 0) return std::wstring();
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, &text[0], length + 1)));
        return text;
    }

    IAccessibleHost* host_;
    LONG references_ = 1;
};

LRESULT CAccessibleLink::answer(WPARAM wParam, LPARAM objectId)
{
    if (static_cast<DWORD>(objectId) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    const OleFunctions& ole = OleFunctions::get();
    if (closed_ || !ole.lresult || !ole.alloc) return 0;
    if (!object_) object_ = new CAccessibleObject(host_);
    const LRESULT result = ole.lresult(kIidAccessible, wParam, static_cast<IAccessible*>(object_));
    return result > 0 ? result : 0;
}

IAccessible* CAccessibleLink::acquire()
{
    if (closed_) return nullptr;
    if (!object_) object_ = new CAccessibleObject(host_);
    object_->AddRef();
    return object_;
}

void CAccessibleLink::disconnect()
{
    closed_ = true;
    if (!object_) return;
    // Readers in other processes may still hold it through COM's stubs:
    // from here on it answers them CO_E_OBJNOTCONNECTED, and it goes with
    // their last reference.
    object_->disconnect();
    object_->Release();
    object_ = nullptr;
}

void raiseAccessibleEvent(HWND hwnd, CControlUI& root, unsigned long event, const CControlUI* control)
{
    if (!hwnd) return;
    const long child = control ? childIdOf(root, control) : CHILDID_SELF;
    if (control && child == 0) return;
    ::NotifyWinEvent(event, hwnd, OBJID_CLIENT, child);
}

} // namespace SkinUI
