#include "skinui/window.h"

#include "platform/win_proc.h"
#include "skinui/dpi.h"
#include "skinui/ime_window.h"
#include "skinui/render.h"
#include "skinui/resources.h"
#include "skinui/scale.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace SkinUI {

namespace {

const UINT kRepaintMessage = WM_APP + 0x3A0;
// Windows 8.1 and 10 1703 on; not in every SDK's headers.
const UINT kDpiChangedMessage = 0x02E0;       // WM_DPICHANGED
const UINT kDpiScaledSizeMessage = 0x02E4;    // WM_GETDPISCALEDSIZE
const UINT_PTR kCaretTimer = 0x5C01;
const UINT kCaretBlinkMs = 530;
// Marks the toolkit's windows for the message loop; other code may use
// GWLP_USERDATA of its own windows for anything.
const wchar_t kWindowProperty[] = L"SkinUI.WindowImplBase";

// Controls that react to the mouse; labels and pictures let clicks fall
// through to the caption drag.
bool isInteractive(const CControlUI* c)
{
    return dynamic_cast<const CButtonUI*>(c) || dynamic_cast<const CEditUI*>(c) || dynamic_cast<const CRichEditUI*>(c);
}

CControlUI* deepestAt(CControlUI& control, POINT pt)
{
    if (!control.isVisible()) return nullptr;
    const RECT& r = control.pos();
    if (!::PtInRect(&r, pt)) return nullptr;
    if (CContainerUI* container = control.asContainer()) {
        // Later children are painted on top: look at them first.
        for (std::size_t i = container->count(); i-- > 0;)
            if (CControlUI* found = deepestAt(*container->itemAt(i), pt)) return found;
    }
    return control.isMouseEnabled() && isInteractive(&control) ? &control : nullptr;
}

void unionInto(RECT& into, const RECT& r)
{
    if (into.right <= into.left || into.bottom <= into.top) into = r;
    else ::UnionRect(&into, &into, &r);
}

bool controlDown() { return (::GetKeyState(VK_CONTROL) & 0x8000) != 0; }
bool shiftDown() { return (::GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// Owner of the clipboard while it is open.
class ClipboardOpen {
public:
    explicit ClipboardOpen(HWND hwnd) : open_(::OpenClipboard(hwnd) != FALSE) {}
    ~ClipboardOpen()
    {
        if (open_) ::CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    bool ok() const { return open_; }

private:
    bool open_;
};

} // namespace

void CNotifyPump::addNotify(const std::wstring& type, const std::wstring& control, Handler handler)
{
    rows_.push_back(Row{type, control, std::move(handler)});
}

bool CNotifyPump::loopDispatch(TNotifyUI& msg)
{
    const std::wstring name = msg.sender ? msg.sender->name() : std::wstring();
    for (const Row& row : rows_) {
        if (row.type == msg.type && row.control == name) {
            if (row.handler) row.handler(msg);
            return true;
        }
    }
    return false;
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase()
{
    if (layout_.root) layout_.root->setHost(nullptr);
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::RemovePropW(hwnd_, kWindowProperty);
        ::DestroyWindow(hwnd_);
    }
}

void WindowImplBase::onFinalMessage(HWND) {}

namespace {

void collectPictures(CControlUI& control, bool shown, std::vector<CImageDesc>& first,
                     std::vector<CImageDesc>& later)
{
    shown = shown && control.isVisible();
    for (const auto& entry : control.images()) {
        const bool firstLook = entry.first == L"bkimage" || entry.first == L"normalimage" ||
                               entry.first == L"foreimage" || entry.first == L"selectedimage";
        (shown && firstLook ? first : later).push_back(entry.second);
    }
    if (const CContainerUI* container = control.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i)
            collectPictures(*container->itemAt(i), shown, first, later);
}

} // namespace

void WindowImplBase::preparePictures(const std::wstring& layoutFile, const std::vector<std::wstring>& extra)
{
    CWindowLayout layout;
    if (!CDialogBuilder::build(layoutFile, layout)) return;
    std::vector<CImageDesc> first, later;
    if (layout.hasLayeredImage) first.push_back(layout.layeredImage);
    for (const std::wstring& file : extra) {
        CImageDesc image;
        image.file = file;
        first.push_back(image);
    }
    if (layout.root) collectPictures(*layout.root, true, first, later);
    // At the scale a window without owner opens at.
    const int dpi = systemDpi();
    SkinUI::preparePictures(first, dpi);
    SkinUI::preparePictures(later, dpi);
}

bool WindowImplBase::registerClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance(), windowClassName(), &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.style = classStyle();
    wc.lpfnWndProc = &WindowImplBase::windowProc;
    wc.hInstance = instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = windowClassName();
    if (!::RegisterClassExW(&wc)) {
        SKINUI_TRACE(L"class %s not registered: error %lu", windowClassName(), ::GetLastError());
        return false;
    }
    return true;
}

HWND WindowImplBase::create(HWND owner, const wchar_t* name, DWORD style, DWORD exStyle)
{
    if (hwnd_) return hwnd_;
    if (!instance()) setInstance(::GetModuleHandleW(nullptr));
    if (!registerClass()) return nullptr;
    // The layout decides the size and whether the window is layered, so it
    // is read before the native window exists.
    CDialogBuilder::build(skinFolder() + skinFile(), layout_, this);
    layered_ = layout_.hasLayeredImage;
    if (layered_) exStyle |= WS_EX_LAYERED;
    // The layout draws the whole window, frame included: a system border
    // or caption would take pixels from it.
    style &= ~static_cast<DWORD>(WS_CAPTION);
    // A dialog opens at its owner's scale and over it, so on its monitor.
    WindowImplBase* toolkitOwner = fromHandle(owner);
    dpi_ = toolkitOwner ? toolkitOwner->dpi() : owner ? windowDpi(owner) : systemDpi();
    dpiFromOwner_ = toolkitOwner != nullptr;
    const SIZE size = scaleSize(SIZE{layout_.size.cx > 0 ? layout_.size.cx : 400, layout_.size.cy > 0 ? layout_.size.cy : 300},
                                dpi_);
    POINT at = {0, 0};
    RECT ownerRect;
    if (owner && ::GetWindowRect(owner, &ownerRect)) {
        at.x = std::max<LONG>(ownerRect.left + (ownerRect.right - ownerRect.left - size.cx) / 2, 0);
        at.y = std::max<LONG>(ownerRect.top + (ownerRect.bottom - ownerRect.top - size.cy) / 2, 0);
    }
    // A window whose creation fails after it existed has run its final
    // step, which may delete this object: nothing of it is used after.
    const wchar_t* className = windowClassName();
    HWND made = ::CreateWindowExW(exStyle, className, name ? name : L"", style | WS_CLIPCHILDREN, at.x, at.y, size.cx,
                                  size.cy, owner, nullptr, instance(), this);
    if (!made) SKINUI_TRACE(L"window %s not created: error %lu", className, ::GetLastError());
    return made;
}

LRESULT WindowImplBase::onCreate()
{
    if (layout_.root) layout_.root->setHost(this);
    // The monitor the window opened on decides, unless an owner did.
    const int actual = windowDpi(hwnd_);
    if (!dpiFromOwner_ && actual != dpi_) {
        dpi_ = actual;
        const SIZE size = scaledSize(dpi_);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    fitSurface();
    relayout();
    initWindow();
    relayout();
    paintRect(nullptr);
    // What initWindow changed is in this paint already.
    dirty_ = RECT{0, 0, 0, 0};
    initAccess();
    return 0;
}

SIZE WindowImplBase::scaledSize(int dpi) const
{
    // The layout's size, or what the window has been resized to.
    SIZE units = {layout_.size.cx > 0 ? layout_.size.cx : 400, layout_.size.cy > 0 ? layout_.size.cy : 300};
    if (surface_.width() > 0) units = SIZE{unscaleValue(surface_.width(), dpi_), unscaleValue(surface_.height(), dpi_)};
    return scaleSize(units, dpi);
}

bool WindowImplBase::fitSurface()
{
    RECT client;
    ::GetClientRect(hwnd_, &client);
    const int w = std::max<LONG>(client.right, 1);
    const int h = std::max<LONG>(client.bottom, 1);
    if (painter_ && surface_.width() == w && surface_.height() == h) return false;
    // The painter draws into the bitmap it was made with.
    painter_.reset();
    surfaceFresh_ = surface_.resize(w, h);
    painter_.reset(new CPainter(surface_, dpi_));
    if (!layered_ && layout_.roundCorner.cx > 0) {
        const SIZE corner = scaleSize(layout_.roundCorner, dpi_);
        HRGN region = ::CreateRoundRectRgn(0, 0, w + 1, h + 1, corner.cx, corner.cy);
        // The window owns the region from here on.
        if (region && !::SetWindowRgn(hwnd_, region, FALSE)) ::DeleteObject(region);
    }
    needLayout_ = true;
    return true;
}

void WindowImplBase::onDpiChanged(int dpi, const RECT* suggested)
{
    // Sizes are taken from the old scale before it changes.
    const SIZE size = scaledSize(clampDpi(dpi));
    dpi_ = clampDpi(dpi);
    // Pictures of the old scale go when no other window uses them.
    if (painter_) painter_->setDpi(dpi_);
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    const RECT target = suggested ? *suggested : RECT{window.left, window.top, window.left + size.cx, window.top + size.cy};
    needLayout_ = true;
    // A new size is laid out and painted on its WM_SIZE.
    ::SetWindowPos(hwnd_, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (needLayout_) paintRect(nullptr);
}

void WindowImplBase::relayout()
{
    RECT client = {0, 0, surface_.width(), surface_.height()};
    layout_.layout(client.right, client.bottom, dpi_);
    needLayout_ = false;
}

void WindowImplBase::paintRect(const RECT* rect)
{
    if (!painter_ || !surface_.bits()) return;
    if (needLayout_) {
        relayout();
        rect = nullptr;
    }
    // Painting and presenting are timed apart for the benchmark.
    LARGE_INTEGER f, a, b, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&a);
    // A bitmap just made is clear already: at 200 % a pass costs a millisecond.
    if (rect || !surfaceFresh_) surface_.clear(rect);
    surfaceFresh_ = false;
    painter_->setClip(rect);
    CPaintOptions options;
    options.caretOn = caretOn_;
    options.dirty = rect;
    // Only the window with the keyboard shows a ring; an edit shows its
    // caret instead.
    if (focusCues_ && focused_ && !dynamic_cast<CEditUI*>(focused_) && ::GetFocus() == hwnd_)
        options.focusRing = focused_;
    paintWindow(*painter_, layout_, options);
    painter_->setClip(nullptr);
    ::QueryPerformanceCounter(&b);
    present(rect);
    ::QueryPerformanceCounter(&c);
    lastPaintMs_ = static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
    lastPresentMs_ = static_cast<double>(c.QuadPart - b.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// UpdateLayeredWindowIndirect (Vista on) sends only the changed part to
// the screen; XP gets the whole bitmap.
using UpdateIndirect = BOOL WINAPI(HWND, const void*);

struct LayeredInfo {
    DWORD cbSize;
    HDC hdcDst;
    const POINT* pptDst;
    const SIZE* psize;
    HDC hdcSrc;
    const POINT* pptSrc;
    COLORREF crKey;
    const BLENDFUNCTION* pblend;
    DWORD dwFlags;
    const RECT* prcDirty;
};

void WindowImplBase::present(const RECT* dirty)
{
    if (!hwnd_) return;
    ::GdiFlush();
    if (!layered_) {
        ::InvalidateRect(hwnd_, dirty, FALSE); // no rectangle: the whole window
        return;
    }
    // A hidden layered window gets its bitmap once it is shown: uploading
    // it before costs the start a copy that Wine does not even show.
    if (!::IsWindowVisible(hwnd_)) {
        presentSkipped_ = true;
        return;
    }
    presentSkipped_ = false;
    static UpdateIndirect* const indirect =
        platform::procAddress<UpdateIndirect>(::GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindowIndirect");
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    POINT at = {window.left, window.top};
    SIZE size = {surface_.width(), surface_.height()};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screen = ::GetDC(nullptr);
    bool shown = false;
    if (dirty && indirect) {
        const LayeredInfo info = {sizeof(LayeredInfo), screen, &at, &size, surface_.dc(), &origin, 0, &blend,
                                  ULW_ALPHA, dirty};
        shown = indirect(hwnd_, &info) != FALSE;
    }
    if (!shown && !::UpdateLayeredWindow(hwnd_, screen, &at, &size, surface_.dc(), &origin, 0, &blend, ULW_ALPHA))
        SKINUI_TRACE(L"layered update failed: error %lu", ::GetLastError());
    ::ReleaseDC(nullptr, screen);
}

void WindowImplBase::scheduleRepaint(const RECT* rect, bool relayout)
{
    if (relayout) needLayout_ = true;
    if (rect && !relayout) unionInto(dirty_, *rect);
    else dirty_ = RECT{0, 0, surface_.width(), surface_.height()};
    postRepaintStep();
}

void WindowImplBase::postRepaintStep()
{
    if (!repaintPosted_ && hwnd_) {
        repaintPosted_ = true;
        ::PostMessageW(hwnd_, kRepaintMessage, 0, 0);
    }
}

void WindowImplBase::controlChanged(CControlUI& control, bool relayout, bool forReaders)
{
    if (forReaders) treeChanged_ = true;
    const RECT area = focusRingRect(control, dpi_);
    if (relayout) scheduleRepaint(nullptr, true);
    else scheduleRepaint(&area, false);
}

const CSurface& WindowImplBase::paintNow()
{
    needLayout_ = true;
    paintRect(nullptr);
    dirty_ = RECT{0, 0, 0, 0};
    return surface_;
}

double WindowImplBase::repaintControlNow(CControlUI& control)
{
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const RECT r = control.pos();
    paintRect(&r);
    ::QueryPerformanceCounter(&end);

    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void WindowImplBase::centerWindow()
{
    if (!hwnd_) return;
    RECT window, area;
    ::GetWindowRect(hwnd_, &window);
    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
    else ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    x = std::max<int>(x, 0);
    y = std::max<int>(y, 0);
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowImplBase::showWindow(bool show, bool takeFocus)
{
    if (!hwnd_) return;
    // The bitmap is presented right after: the repaint that showing by
    // other means schedules is not wanted here.
    if (show && layered_) presentSkipped_ = false;
    ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
    if (show && layered_) present(nullptr);
}

void WindowImplBase::close(UINT result)
{
    if (!hwnd_) return;
    closeResult_ = result;
    ::PostMessageW(hwnd_, WM_CLOSE, result, 0);
}

void WindowImplBase::setDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic)
{
    for (CFontDesc& font : layout_.fonts) font.isDefault = false;
    CFontDesc font;
    font.id = -2; // not selectable by number
    font.face = face;
    font.size = size;
    font.bold = bold;
    font.underline = underline;
    font.italic = italic;
    font.isDefault = true;
    layout_.fonts.insert(layout_.fonts.begin(), font);
    if (painter_) painter_->setFonts(layout_.fonts);
    scheduleRepaint(nullptr, false);
}

void WindowImplBase::addFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic)
{
    CFontDesc font;
    font.id = id;
    font.face = face;
    font.size = size;
    font.bold = bold;
    font.underline = underline;
    font.italic = italic;
    // A later definition of the same number replaces the earlier one.
    layout_.fonts.erase(std::remove_if(layout_.fonts.begin(), layout_.fonts.end(),
                                       [id](const CFontDesc& f) { return f.id == id && !f.isDefault; }),
                        layout_.fonts.end());
    layout_.fonts.push_back(font);
    if (painter_) painter_->setFonts(layout_.fonts);
    scheduleRepaint(nullptr, false);
}

bool WindowImplBase::addControl(const std::wstring& container, std::unique_ptr<CControlUI> control)
{
    CControlUI* target = findControl(container);
    CContainerUI* box = target ? target->asContainer() : nullptr;
    if (!box || !control) return false;
    // Defaults of the class apply as if the layout had named it.
    const auto defaults = layout_.defaults.find(control->className());
    if (defaults != layout_.defaults.end()) control->applyAttributeList(defaults->second);
    box->add(std::move(control));
    scheduleRepaint(nullptr, true);
    return true;
}

void WindowImplBase::sendNotify(CControlUI* sender, const std::wstring& type)
{
    TNotifyUI msg;
    msg.type = type;
    msg.sender = sender;
    notify(msg);
}

void WindowImplBase::notify(TNotifyUI& msg)
{
    if (loopDispatch(msg)) return;
    if (msg.type != L"click" || !msg.sender) return;
    const std::wstring& name = msg.sender->name();
    if (name == L"closebtn") close(1);
    else if (name == L"minbtn") ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn") ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn") ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::messageHandler(UINT message, WPARAM wParam, LPARAM, bool& handled)
{
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        close(IDCANCEL);
        handled = true;
    }
    return 0;
}

bool WindowImplBase::translateMessage(const MSG* msg)
{
    if (!msg || !msg->hwnd) return false;
    // Keys go to the focused window; the toolkit window is its root.
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    for (HWND h = msg->hwnd; h; h = (h == root ? nullptr : ::GetParent(h))) {
        auto* window = static_cast<WindowImplBase*>(::GetPropW(h, kWindowProperty));
        if (!window) continue;
        bool handled = false;
        window->messageHandler(msg->message, msg->wParam, msg->lParam, handled);
        return handled;
    }
    return false;
}

WindowImplBase* WindowImplBase::fromHandle(HWND hwnd)
{
    return hwnd ? static_cast<WindowImplBase*>(::GetPropW(hwnd, kWindowProperty)) : nullptr;
}

int WindowImplBase::messageLoop()
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (translateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK WindowImplBase::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowImplBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowImplBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ::SetPropW(hwnd, kWindowProperty, self);
    } else {
        self = reinterpret_cast<WindowImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        ::RemovePropW(hwnd, kWindowProperty);
        if (self->layout_.root) self->layout_.root->setHost(nullptr);
        self->hwnd_ = nullptr;
        self->onFinalMessage(hwnd);
        return result;
    }
    return self->handleMessage(message, wParam, lParam);
}

bool WindowImplBase::inCaption(POINT pt) const
{
    const RECT c = scaleRect(layout_.caption, dpi_);
    const bool inside = pt.x >= c.left && pt.x < surface_.width() - c.right && pt.y >= c.top && pt.y < c.bottom;
    return inside && !hitTest(pt);
}

CControlUI* WindowImplBase::hitTest(POINT pt) const { return layout_.root ? deepestAt(*layout_.root, pt) : nullptr; }

void WindowImplBase::setHot(CControlUI* control)
{
    if (control == hot_) return;
    if (hot_) hot_->setState(CControlUI::kHot, false);
    hot_ = control;
    if (hot_ && hot_->isEnabled()) hot_->setState(CControlUI::kHot, true);
    updateTooltip();
}

void WindowImplBase::updateTooltip()
{
    if (!hwnd_) return;
    if (!tooltip_) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                     instance(), nullptr);
        if (!tooltip_) return;
    }
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = hwnd_;
    tool.uId = 1;
    ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!hot_ || hot_->tooltip().empty()) return;
    std::wstring text = hot_->tooltip();
    tool.uFlags = TTF_SUBCLASS;
    tool.rect = hot_->pos();
    tool.lpszText = &text[0];
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void WindowImplBase::setFocusControl(CControlUI* control)
{
    if (control == focused_) return;
    CControlUI* leaving = focused_;
    focused_ = control;
    if (leaving) leaving->setState(CControlUI::kFocused, false);
    if (focused_) focused_->setState(CControlUI::kFocused, true);
    // Only an edit has a caret to blink.
    if (dynamic_cast<CEditUI*>(focused_)) {
        caretOn_ = true;
        ::SetTimer(hwnd_, kCaretTimer, kCaretBlinkMs, nullptr);
    } else {
        ::KillTimer(hwnd_, kCaretTimer);
    }
    focusChanged();
    // Edits say when they are left: their text is taken then.
    if (dynamic_cast<CEditUI*>(leaving)) sendNotify(leaving, L"killfocus");
}

void WindowImplBase::onMouseMove(POINT pt, bool leftDown)
{
    if (!tracking_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd_, 0};
        tracking_ = ::TrackMouseEvent(&track) != FALSE;
    }
    if (dragThumb(pt)) return;
    CControlUI* over = hitTest(pt);
    if (pushed_) {
        // While pressed only the pressed control can be hot.
        pushed_->setState(CControlUI::kPushed, over == pushed_);
        setHot(over == pushed_ ? pushed_ : nullptr);
    } else {
        setHot(over);
    }
    if (selecting_ && leftDown) {
        if (CEditUI* edit = dynamic_cast<CEditUI*>(focused_))
            edit->setCaret(editHitTest(*painter_, *edit, pt.x), true);
    }
}

void WindowImplBase::onLeftDown(POINT pt)
{
    CControlUI* over = hitTest(pt);
    if (beginThumbDrag(over, pt)) return;
    // The focus follows the click; elsewhere it leaves the controls.
    CEditUI* edit = dynamic_cast<CEditUI*>(over);
    focusControl(over && canTakeFocus(*over) ? over : nullptr);
    if (!over || !over->isEnabled()) return;
    ::SetCapture(hwnd_);
    if (edit) {
        edit->setCaret(editHitTest(*painter_, *edit, pt.x), shiftDown());
        selecting_ = true;
        return;
    }
    pushed_ = over;
    pushed_->setState(CControlUI::kPushed, true);
}

void WindowImplBase::onLeftUp(POINT pt)
{
    selecting_ = false;
    endThumbDrag();
    // Taken first: releasing the capture reports a capture change.
    CControlUI* pressed = pushed_;
    pushed_ = nullptr;
    if (::GetCapture() == hwnd_) ::ReleaseCapture();
    if (!pressed) return;
    pressed->setState(CControlUI::kPushed, false);
    if (hitTest(pt) != pressed || !pressed->isEnabled()) return;
    clickControl(*pressed);
}

void WindowImplBase::onWheel(POINT screen, int delta)
{
    POINT pt = screen;
    ::ScreenToClient(hwnd_, &pt);
    for (CControlUI* c = hitTest(pt); c; c = c->parent()) {
        if (CRichEditUI* rich = dynamic_cast<CRichEditUI*>(c)) {
            const int line = painter_ ? std::max(painter_->lineHeight(rich->font()), 8) : 16;
            rich->scrollBy(-delta * 3 * line / WHEEL_DELTA);
            return;
        }
    }
}

void WindowImplBase::copySelection(bool cut)
{
    CEditUI* edit = dynamic_cast<CEditUI*>(focused_);
    if (!edit || !edit->hasSelection() || edit->isPassword()) return;
    const std::wstring text = edit->selectedText();
    {
        ClipboardOpen clipboard(hwnd_);
        if (!clipboard.ok()) return;
        ::EmptyClipboard();
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (!memory) return;
        void* data = ::GlobalLock(memory);
        if (!data) {
            ::GlobalFree(memory);
            return;
        }
        std::memcpy(data, text.c_str(), bytes);
        ::GlobalUnlock(memory);
        // The clipboard owns the memory once it takes it.
        if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
    }
    if (cut) edit->eraseBackward();
}

void WindowImplBase::paste()
{
    CEditUI* edit = dynamic_cast<CEditUI*>(focused_);
    if (!edit) return;
    std::wstring text;
    {
        ClipboardOpen clipboard(hwnd_);
        if (!clipboard.ok()) return;
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        if (!data) return;
        const wchar_t* chars = static_cast<const wchar_t*>(::GlobalLock(data));
        if (!chars) return;
        const std::size_t limit = ::GlobalSize(data) / sizeof(wchar_t);
        std::size_t n = 0;
        while (n < limit && chars[n]) ++n;
        text.assign(chars, n);
        ::GlobalUnlock(data);
    }
    edit->insert(text);
}

bool WindowImplBase::onKeyDown(WPARAM key)
{
    CEditUI* edit = dynamic_cast<CEditUI*>(focused_);
    if (!edit) return false;
    const bool shift = shiftDown();
    caretOn_ = true;
    if (controlDown()) {
        switch (key) {
        case 'A': edit->selectAll(); return true;
        case 'C': copySelection(false); return true;
        case 'X': copySelection(true); return true;
        case 'V': paste(); return true;
        default: break;
        }
    }
    switch (key) {
    case VK_LEFT: edit->moveCaret(-1, shift); return true;
    case VK_RIGHT: edit->moveCaret(1, shift); return true;
    case VK_HOME: edit->setCaret(0, shift); return true;
    case VK_END: edit->setCaret(edit->text().size(), shift); return true;
    case VK_BACK: edit->eraseBackward(); return true;
    case VK_DELETE: edit->eraseForward(); return true;
    default: return false;
    }
}

void WindowImplBase::onChar(wchar_t c)
{
    CEditUI* edit = dynamic_cast<CEditUI*>(focused_);
    // Control characters (Backspace, Ctrl+letters) were keys, not text.
    if (edit && c >= 0x20 && c != 0x7F) edit->insert(std::wstring(1, c));
}

LRESULT WindowImplBase::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (handleAccessMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_CREATE:
        return onCreate();
    case WM_CLOSE:
        ::DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        closeAccess();
        ::KillTimer(hwnd_, kCaretTimer);
        if (tooltip_) ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SHOWWINDOW:
        // Shown by other means than showWindow: the skipped bitmap follows.
        if (wParam && layered_ && presentSkipped_) scheduleRepaint(nullptr, false);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        if (dc && !layered_)
            ::BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                     ps.rcPaint.bottom - ps.rcPaint.top, surface_.dc(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_NCHITTEST: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(hwnd_, &pt);
        return inCaption(pt) ? HTCAPTION : HTCLIENT;
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const SIZE minimum = scaleSize(layout_.minInfo, dpi_);
        if (minimum.cx > 0) info->ptMinTrackSize.x = minimum.cx;
        if (minimum.cy > 0) info->ptMinTrackSize.y = minimum.cy;
        return 0;
    }
    case WM_SIZE:
        if (painter_ && wParam != SIZE_MINIMIZED && fitSurface()) paintRect(nullptr);
        return 0;
    case WM_MOVE:
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, (wParam & MK_LBUTTON) != 0);
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (!pushed_) setHot(nullptr);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        onLeftDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
        onLeftUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSEWHEEL:
        onWheel(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_KEYDOWN:
        if (onKeyDown(wParam)) return 0;
        if (onNavigationKey(wParam, lParam)) return 0;
        // Also under a loop that skips the pre-translation.
        if (wParam == VK_ESCAPE) {
            close(IDCANCEL);
            return 0;
        }
        break;
    case WM_CHAR:
        onChar(static_cast<wchar_t>(wParam));
        return 0;
    case WM_IME_STARTCOMPOSITION:
        // Beside the edit's caret, in its face at the window's scale.
        if (CEditUI* edit = dynamic_cast<CEditUI*>(focused_)) {
            if (painter_)
                placeImeComposition(hwnd_, editCaretRect(*painter_, *edit),
                                    resolveFontFace(painter_->font(edit->font()).face));
        }
        break;
    case WM_TIMER:
        if (wParam == kCaretTimer) {
            caretOn_ = !caretOn_;
            if (focused_) scheduleRepaint(&focused_->pos(), false);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd_) endThumbDrag();
        if (reinterpret_cast<HWND>(lParam) != hwnd_ && pushed_) {
            pushed_->setState(CControlUI::kPushed, false);
            pushed_ = nullptr;
            selecting_ = false;
        }
        break;
    default:
        if (message == kDpiChangedMessage) {
            onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        }
        if (message == kDpiScaledSizeMessage && lParam) {
            // The system's suggestion for the next WM_DPICHANGED is then
            // exactly the layout at the new scale.
            *reinterpret_cast<SIZE*>(lParam) = scaledSize(static_cast<int>(wParam));
            return TRUE;
        }
        if (message == kRepaintMessage) {
            repaintPosted_ = false;
            RECT dirty = dirty_;
            dirty_ = RECT{0, 0, 0, 0};
            if (needLayout_) paintRect(nullptr);
            else if (dirty.right > dirty.left && dirty.bottom > dirty.top) paintRect(&dirty);
            afterChange();
            return 0;
        }
        break;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

} // namespace SkinUI
