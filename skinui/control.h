#pragma once
// The base of every control: name, state, text look, images and the
// rectangle that layout gives it. Nothing here draws.

#include "skinui/attribute_parse.h"

#include <windows.h>

#include <map>
#include <string>

namespace SkinUI {

class CContainerUI;
class CControlUI;

// Told when a control changes how it looks, so its window can repaint
// (and lay out again when sizes or visibility may have changed). A change
// of the mouse and keyboard states only (hot, pushed, focused) is nothing a
// screen reader is told of, so it is said apart.
class IControlHost {
public:
    virtual ~IControlHost() = default;
    virtual void controlChanged(CControlUI& control, bool relayout, bool forReaders) = 0;
};

class CControlUI {
public:
    CControlUI() = default;
    virtual ~CControlUI() = default;
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // The element name this control is built from ("Control", "Button", ...).
    virtual const wchar_t* className() const { return L"Control"; }
    virtual CContainerUI* asContainer() { return nullptr; }

    const std::wstring& name() const { return name_; }
    void setName(const std::wstring& name) { name_ = name; }
    CContainerUI* parent() const { return parent_; }

    // The text as set; "@key" stays as written here.
    const std::wstring& text() const { return text_; }
    void setText(const std::wstring& text)
    {
        text_ = text;
        changed(false);
    }
    // What is shown: "@key" replaced by the multi-language text when known.
    std::wstring displayText() const;
    const std::wstring& tooltip() const { return tooltip_; }

    bool isVisible() const { return visible_; }
    virtual void setVisible(bool visible)
    {
        visible_ = visible;
        changed(true);
    }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled)
    {
        enabled_ = enabled;
        changed(false);
    }
    bool isMouseEnabled() const { return mouse_; }

    // Interaction state, kept by the window that shows the control.
    enum StateFlag : unsigned { kHot = 1, kPushed = 2, kFocused = 4 };
    bool hasState(unsigned flag) const { return (state_ & flag) != 0; }
    void setState(unsigned flag, bool on)
    {
        const unsigned before = state_;
        state_ = on ? (state_ | flag) : (state_ & ~flag);
        if (state_ != before) notifyHost(false, false);
    }

    // Set on the root control by the window that shows the tree.
    void setHost(IControlHost* host) { host_ = host; }
    // Tells the window of the tree, if any, that this control changed.
    void changed(bool relayout) { notifyHost(relayout, true); }

    // Same meaning as in a layout file. False for a malformed value of a
    // known attribute; unknown attributes are kept as text.
    virtual bool setAttribute(const std::wstring& name, const std::wstring& value);
    // Applies name="value" pairs in order.
    bool applyAttributeList(const std::wstring& list);
    // Last value set for an attribute, as written; empty if never set.
    std::wstring attribute(const std::wstring& name) const;

    int fixedWidth() const { return width_; }
    int fixedHeight() const { return height_; }
    const RECT& padding() const { return padding_; }
    bool isFloat() const { return float_; }
    const RECT& floatPos() const { return floatPos_; }

    int font() const { return font_; }
    // DT_ flags for the text: horizontal and vertical alignment, lines.
    UINT textStyle() const { return textStyle_; }
    const RECT& textPadding() const { return textPadding_; }
    bool showHtml() const { return showHtml_; }
    DWORD textColor() const { return textColor_; }
    DWORD disabledTextColor() const { return disabledTextColor_; }
    DWORD hotTextColor() const { return hotTextColor_; }
    DWORD pushedTextColor() const { return pushedTextColor_; }
    DWORD bkColor() const { return bkColor_; }

    // An image attribute ("bkimage", "normalimage", ...) or null.
    const CImageDesc* image(const std::wstring& which) const;
    // Every image attribute the control has, by attribute name.
    const std::map<std::wstring, CImageDesc>& images() const { return images_; }
    bool setBkImage(const std::wstring& description) { return setAttribute(L"bkimage", description); }

    // The rectangle from the last layout pass, in window pixels.
    const RECT& pos() const { return pos_; }
    // The same in layout units (96 DPI), as the layout pass placed it.
    const RECT& box() const { return box_; }
    // Places the control in layout units; containers place their children
    // too. pos() is the same rectangle until scaleTo.
    virtual void setPos(const RECT& rect)
    {
        box_ = rect;
        pos_ = rect;
    }
    // Turns the boxes of this control and everything below into pixels at
    // dpi; the last step of the layout pass.
    void scaleTo(int dpi);
    int dpi() const { return dpi_; }

    // This control or the first descendant with the name, depth first.
    virtual CControlUI* findControl(const std::wstring& name);

private:
    friend class CContainerUI;

    void notifyHost(bool relayout, bool forReaders);

    std::wstring name_;
    CContainerUI* parent_ = nullptr;
    std::wstring text_;
    std::wstring tooltip_;
    bool visible_ = true;
    bool enabled_ = true;
    bool mouse_ = true;
    unsigned state_ = 0;
    IControlHost* host_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    RECT padding_ = {0, 0, 0, 0};
    bool float_ = false;
    RECT floatPos_ = {0, 0, 0, 0};
    int font_ = -1;
    UINT textStyle_ = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    RECT textPadding_ = {0, 0, 0, 0};
    bool showHtml_ = false;
    DWORD textColor_ = 0;
    DWORD disabledTextColor_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
    DWORD bkColor_ = 0;
    std::map<std::wstring, CImageDesc> images_;
    std::map<std::wstring, std::wstring> written_;
    RECT pos_ = {0, 0, 0, 0};
    RECT box_ = {0, 0, 0, 0};
    int dpi_ = 96;
};

} // namespace SkinUI
