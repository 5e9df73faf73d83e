#pragma once
// The leaf controls of the layouts: label, button, option (check box),
// single-line edit, rich edit and progress bar. State only; drawing and
// input come with the window.

#include "skinui/control.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
public:
    const wchar_t* className() const override { return L"Label"; }
};

class CButtonUI : public CLabelUI {
public:
    const wchar_t* className() const override { return L"Button"; }
    // Each takes an image description, as the layout attributes do.
    bool setNormalImage(const std::wstring& image) { return setAttribute(L"normalimage", image); }
    bool setHotImage(const std::wstring& image) { return setAttribute(L"hotimage", image); }
    bool setPushedImage(const std::wstring& image) { return setAttribute(L"pushedimage", image); }
};

class COptionUI : public CButtonUI {
public:
    const wchar_t* className() const override { return L"Option"; }
    bool isSelected() const { return selected_; }
    // Selecting an option of a group deselects the group's others under
    // the same root.
    void setSelected(bool selected);
    const std::wstring& group() const { return group_; }
    bool setAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    bool selected_ = false;
    std::wstring group_;
};

class CEditUI : public CLabelUI {
public:
    const wchar_t* className() const override { return L"Edit"; }
    bool isReadOnly() const { return readOnly_; }
    bool isPassword() const { return password_; }
    // The text as the edit shows it: a password as one '*' per character.
    std::wstring shownText() const { return password_ ? std::wstring(text().size(), L'*') : text(); }
    int maxChars() const { return maxChars_; }
    bool setAttribute(const std::wstring& name, const std::wstring& value) override;

    // Editing: the caret and the other end of the selection are character
    // indexes into text(), kept within it whatever code set the text to.
    std::size_t caret() const;
    std::size_t anchor() const;
    bool hasSelection() const { return caret() != anchor(); }
    std::wstring selectedText() const;
    // Moves the caret; with extend the anchor stays, making a selection.
    void setCaret(std::size_t position, bool extend);
    void moveCaret(int delta, bool extend);
    void selectAll();
    // Replaces the selection (or inserts at the caret); control characters
    // are dropped and the text is cut at maxChars. False when nothing
    // changed (read-only, full, or nothing to insert).
    bool insert(const std::wstring& text);
    // Backspace and Delete: remove the selection or one character.
    bool eraseBackward();
    bool eraseForward();

    // Pixels of text scrolled out on the left, kept by painting so the
    // caret stays in view.
    int scrollX() const { return scrollX_; }
    void setScrollX(int pixels) { scrollX_ = pixels < 0 ? 0 : pixels; }

private:
    bool eraseSelection();

    int scrollX_ = 0;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    bool readOnly_ = false;
    bool password_ = false;
    int maxChars_ = 255;
};

class CRichEditUI : public CControlUI {
public:
    const wchar_t* className() const override { return L"RichEdit"; }
    bool isMultiLine() const { return multiLine_; }
    bool hasVScrollBar() const { return vScrollBar_; }
    bool autoVScroll() const { return autoVScroll_; }
    bool isRich() const { return rich_; }
    bool isReadOnly() const { return readOnly_; }
    bool setAttribute(const std::wstring& name, const std::wstring& value) override;

    // Vertical scrolling: painting reports the height of the wrapped text,
    // input moves the offset; the offset stays within what can be shown.
    int scrollY() const { return scrollY_; }
    int contentHeight() const { return contentHeight_; }
    void setContentHeight(int height);
    // Returns whether the offset moved.
    bool scrollBy(int delta);
    int maxScroll() const;

private:
    int scrollY_ = 0;
    int contentHeight_ = 0;
    bool multiLine_ = false;
    bool vScrollBar_ = false;
    bool autoVScroll_ = false;
    bool rich_ = true;
    bool readOnly_ = false;
};

class CProgressUI : public CLabelUI {
public:
    const wchar_t* className() const override { return L"Progress"; }
    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    int value() const { return value_; }
    // Kept within min..max.
    void setValue(int value);
    bool isHorizontal() const { return horizontal_; }
    // The part of the control that the fore image covers at this value.
    RECT filledRect() const;
    bool setAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    bool horizontal_ = true;
};

} // namespace SkinUI
