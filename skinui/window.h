#pragma once
// The window base of the toolkit: a native popup built from a layout file,
// painted into one premultiplied bitmap (per-pixel alpha when the layout
// has a layered image), with mouse and keyboard input, the edit controls,
// notifications routed through a (type, control name) table, and the
// message loop.

#include "skinui/accessible.h"
#include "skinui/accessible_tree.h"
#include "skinui/focus_order.h"
#include "skinui/layout_builder.h"
#include "skinui/painter.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

struct TNotifyUI {
    std::wstring type;    // "click", "selectchanged", "killfocus"
    CControlUI* sender = nullptr;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void notify(TNotifyUI& msg) = 0;
};

class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    // Sees messages of the window before translation; set handled to stop.
    virtual LRESULT messageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// A table of (notification type, control name) -> handler.
class CNotifyPump {
public:
    using Handler = std::function<void(TNotifyUI&)>;
    void addNotify(const std::wstring& type, const std::wstring& control, Handler handler);
    // Runs the handler of the first matching row; false when none matches.
    bool loopDispatch(TNotifyUI& msg);

private:
    struct Row {
        std::wstring type;
        std::wstring control;
        Handler handler;
    };
    std::vector<Row> rows_;
};

class WindowImplBase : public INotifyUI, public IMessageFilterUI, public IDialogBuilderCallback, public CNotifyPump,
                       private IControlHost, private IAccessibleHost {
public:
    WindowImplBase();
    ~WindowImplBase() override;
    WindowImplBase(const WindowImplBase&) = delete;
    WindowImplBase& operator=(const WindowImplBase&) = delete;

    // What a window supplies.
    virtual const wchar_t* windowClassName() const = 0;
    virtual UINT classStyle() const { return CS_DBLCLKS; }
    virtual std::wstring skinFolder() { return std::wstring(); }
    virtual std::wstring skinFile() = 0;
    // Once the layout is built and the native window exists.
    virtual void initWindow() {}
    // After the native window is gone; a window may delete itself here.
    virtual void onFinalMessage(HWND hwnd);
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The table first; then "click" on "closebtn", "minbtn", "maxbtn",
    // "restorebtn" unless the table named the control.
    void notify(TNotifyUI& msg) override;
    // Escape closes the window.
    LRESULT messageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // Creates the native window at the layout's size scaled to the DPI of
    // its owner (a dialog opens over it) or of the monitor it opens on;
    // null on failure.
    HWND create(HWND owner, const wchar_t* name, DWORD style, DWORD exStyle);
    HWND hwnd() const { return hwnd_; }
    // The DPI the window is laid out and painted for.
    int dpi() const { return dpi_; }
    void centerWindow();
    void showWindow(bool show = true, bool takeFocus = true);
    // Posts the close request; the result is kept for the caller.
    void close(UINT result = IDOK);
    UINT closeResult() const { return closeResult_; }

    CWindowLayout& layout() { return layout_; }
    CControlUI* findControl(const std::wstring& name) const { return layout_.findControl(name); }
    // Fonts in code, as in the layout.
    void setDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic);
    void addFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic);
    // Adds a control made in code to the container with that name.
    bool addControl(const std::wstring& container, std::unique_ptr<CControlUI> control);

    // Raises a notification to this window.
    void sendNotify(CControlUI* sender, const std::wstring& type);

    // The keyboard focus among the controls. A window's first focus is the
    // one given in its initialisation step, else its default button, else
    // the first control in Tab order. False (and nothing changes) for a
    // control that cannot take the focus.
    bool focusControl(CControlUI* control);
    CControlUI* focused() const { return focused_; }
    // The focus ring shows once the keyboard is used in the window (or in
    // its owner), or always when the system says so.
    bool focusCuesShown() const { return focusCues_; }
    // Screen readers hear the window as a dialog, not a plain client area.
    void setDialogRole(bool dialog) { dialogRole_ = dialog; }
    // Tells screen readers that the window (a box) asks for attention; the
    // event goes out once the current message is done, so the box can be
    // filled first.
    void announceAlert();
    // The window's accessible object with a reference for the caller, as
    // WM_GETOBJECT gives it out; null once the window is gone.
    IAccessible* accessibleObject();

    // Lays out and paints now (tests and benchmarks); returns the bitmap.
    const CSurface& paintNow();
    // Repaints only the control's rectangle now; returns milliseconds taken.
    double repaintControlNow(CControlUI& control);
    // Milliseconds of the last paint into the bitmap and of showing it.
    double lastPaintMs() const { return lastPaintMs_; }
    double lastPresentMs() const { return lastPresentMs_; }

    // Decodes the pictures of a layout file (those of shown controls first)
    // and the extra ones named, so that a window of that layout finds them
    // decoded at its first paint. Any thread; the window may be made
    // meanwhile.
    static void preparePictures(const std::wstring& layoutFile, const std::vector<std::wstring>& extra);

    // The loop of the user-interface thread: each message is offered to
    // translateMessage first.
    static int messageLoop();
    // Gives the toolkit window of msg's window its filter; true when used.
    static bool translateMessage(const MSG* msg);
    // The toolkit window behind a native window; null for other windows.
    static WindowImplBase* fromHandle(HWND hwnd);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool registerClass();
    void controlChanged(CControlUI& control, bool relayout, bool forReaders) override;

    LRESULT onCreate();
    // The bitmap, painter and corner region for the client size; false
    // when they fit already.
    bool fitSurface();
    // The window's size in layout units, in pixels at dpi.
    SIZE scaledSize(int dpi) const;
    // Moved to a monitor of another scale: the suggested rectangle, layout,
    // fonts and pictures of the new scale.
    void onDpiChanged(int dpi, const RECT* suggested);
    void relayout();
    void paintRect(const RECT* rect);
    // Null dirty: the whole bitmap.
    void present(const RECT* dirty);
    void scheduleRepaint(const RECT* rect, bool relayout);
    // The step that repaints what is dirty, then focuses and tells readers.
    void postRepaintStep();
    CControlUI* hitTest(POINT pt) const;
    void setHot(CControlUI* control);
    void setFocusControl(CControlUI* control);
    void onMouseMove(POINT pt, bool leftDown);
    void onLeftDown(POINT pt);
    void onLeftUp(POINT pt);
    void onWheel(POINT screen, int delta);
    bool onKeyDown(WPARAM key);
    void onChar(wchar_t c);
    // window_keys.cpp: focus, keyboard, screen readers and the scroll
    // thumb. The messages it owns (WM_GETOBJECT, the UI state, focus
    // arrival, key releases, its own requests and timer); true when done.
    bool handleAccessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void initAccess();
    void closeAccess();
    bool onNavigationKey(WPARAM key, LPARAM flags);
    bool onNavigationKeyUp(WPARAM key);
    void clickControl(CControlUI& control);
    void activateControl(CControlUI& control);
    void runKeyCommand(KeyCommand command);
    void scrollText(CRichEditUI& text, KeyCommand command);
    void showFocusCues();
    void onUiState(WPARAM wParam);
    void repaintRing();
    void focusChanged();
    void afterChange();
    void keepFocusUsable();
    void tellReaders();
    void tellHeldValues();
    void onAccessibleRequest(WPARAM kind, LPARAM control);
    bool beginThumbDrag(CControlUI* over, POINT pt);
    bool dragThumb(POINT pt);
    void endThumbDrag();
    // IAccessibleHost
    AccessibleContext accessibleContext() const override;
    HWND accessibleWindow() const override { return hwnd_; }
    CControlUI* accessibleRoot() const override { return layout_.root.get(); }
    CControlUI* focusedControl() const override { return focused_; }
    CControlUI* defaultControl() const override;
    long clientRole() const override;
    void requestDefaultAction(CControlUI& control) override;
    void requestFocus(CControlUI& control) override;
    void copySelection(bool cut);
    void paste();
    void updateTooltip();
    bool inCaption(POINT pt) const;

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    CWindowLayout layout_;
    CSurface surface_;
    std::unique_ptr<CPainter> painter_;
    bool layered_ = false;
    // A bitmap painted while the layered window was hidden is not on screen.
    bool presentSkipped_ = false;
    bool surfaceFresh_ = false;
    int dpi_ = 96;
    bool dpiFromOwner_ = false;
    bool needLayout_ = false;
    bool repaintPosted_ = false;
    RECT dirty_ = {0, 0, 0, 0};
    CControlUI* hot_ = nullptr;
    CControlUI* pushed_ = nullptr;
    CControlUI* focused_ = nullptr;
    bool selecting_ = false;
    bool caretOn_ = true;
    bool tracking_ = false;
    UINT closeResult_ = 0;
    // Keyboard and screen readers.
    bool wantsFirstFocus_ = true;
    bool focusCues_ = false;
    bool dialogRole_ = false;
    CControlUI* spacePressed_ = nullptr;
    CRichEditUI* thumbDragged_ = nullptr;
    int thumbGrab_ = 0;
    int thumbTravel_ = 0;
    bool treeChanged_ = false;
    bool toldOnce_ = false;
    std::vector<AccessibleItem> toldItems_;
    CValueThrottle valueThrottle_;
    CAccessibleLink accessible_{*this};
    double lastPaintMs_ = 0;
    double lastPresentMs_ = 0;
};

} // namespace SkinUI
