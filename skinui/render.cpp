#include "skinui/render.h"

#include "skinui/scale.h"

#include <algorithm>

namespace SkinUI {

namespace {

const DWORD kDefaultTextColor = 0xFF000000;
const DWORD kSelectionColor = 0x66268FD6;
const int kThumbMinimum = 20;
// The ring's dark line, and its white line and gap inside: it shows on
// the white page, the blue button and the dark title bar alike.
const int kFocusRingWidth = 2;
const int kFocusRingOutset = 3;

bool meets(const RECT& a, const RECT* b)
{
    if (!b) return true;
    return a.left < b->right && b->left < a.right && a.top < b->bottom && b->top < a.bottom;
}

// The first of the named images the control has.
const CImageDesc* firstImage(const CControlUI& control, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* name : names)
        if (const CImageDesc* image = control.image(name)) return image;
    return nullptr;
}

const CImageDesc* stateImage(const CControlUI& control)
{
    const bool disabled = !control.isEnabled();
    const bool pushed = control.hasState(CControlUI::kPushed);
    const bool hot = control.hasState(CControlUI::kHot);
    if (const COptionUI* option = dynamic_cast<const COptionUI*>(&control)) {
        if (option->isSelected()) {
            if (hot && !disabled)
                if (const CImageDesc* image = control.image(L"selectedhotimage")) return image;
            if (const CImageDesc* image = control.image(L"selectedimage")) return image;
        }
    }
    if (dynamic_cast<const CEditUI*>(&control)) {
        if (disabled) return firstImage(control, {L"disabledimage", L"normalimage"});
        if (control.hasState(CControlUI::kFocused)) return firstImage(control, {L"focusedimage", L"normalimage"});
        if (hot) return firstImage(control, {L"hotimage", L"normalimage"});
        return control.image(L"normalimage");
    }
    if (disabled) return firstImage(control, {L"disabledimage", L"normalimage"});
    if (pushed) return firstImage(control, {L"pushedimage", L"hotimage", L"normalimage"});
    if (hot) return firstImage(control, {L"hotimage", L"normalimage"});
    return control.image(L"normalimage");
}

DWORD stateTextColor(const CControlUI& control)
{
    DWORD color = control.textColor();
    if (!control.isEnabled()) {
        if (control.disabledTextColor()) color = control.disabledTextColor();
    } else if (control.hasState(CControlUI::kPushed) && control.pushedTextColor()) {
        color = control.pushedTextColor();
    } else if (control.hasState(CControlUI::kHot) && control.hotTextColor()) {
        color = control.hotTextColor();
    }
    return color ? color : kDefaultTextColor;
}

// "thumbnormalimage" and "width" of the layout's VScrollBar defaults.
bool scrollbarLook(const CWindowLayout& layout, CImageDesc& thumb, int& width)
{
    width = 8;
    const auto found = layout.defaults.find(L"VScrollBar");
    if (found == layout.defaults.end()) return false;
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    if (!parseAttributeList(found->second, pairs)) return false;
    bool haveThumb = false;
    for (const auto& pair : pairs) {
        if (pair.first == L"width") parseInt(pair.second, width);
        if (pair.first == L"thumbnormalimage") haveThumb = parseImage(pair.second, thumb);
    }
    return haveThumb;
}

// The caret at x, one line high in the middle of the text box.
RECT caretRectAt(CPainter& painter, const CEditUI& edit, const RECT& text, int x)
{
    const int h = painter.lineHeight(edit.font());
    const int top = text.top + ((text.bottom - text.top) - h) / 2;
    return RECT{x, top, x + std::max(scaleValue(1, edit.dpi()), 1), top + h};
}

void paintEdit(CPainter& painter, CEditUI& edit, const CPaintOptions& options)
{
    const RECT r = textRect(edit);
    const std::wstring shown = edit.shownText();
    const bool focused = edit.hasState(CControlUI::kFocused);
    // Scrolled just enough to keep the caret in view, and no further than
    // the end of the text needs.
    const int width = std::max<int>(r.right - r.left - 1, 1);
    const int caretX = painter.textWidth(shown, edit.caret(), edit.font());
    const int full = painter.textWidth(shown, shown.size(), edit.font());
    int scroll = std::min(edit.scrollX(), std::max(full - width, 0));
    if (caretX - scroll > width) scroll = caretX - width;
    if (caretX < scroll) scroll = caretX;
    edit.setScrollX(scroll);
    RECT placed = r;
    placed.left -= scroll;

    if (focused && edit.hasSelection()) {
        const std::size_t from = std::min(edit.caret(), edit.anchor());
        const std::size_t to = std::max(edit.caret(), edit.anchor());
        const int inset = scaleValue(4, edit.dpi());
        RECT band = {placed.left + painter.textWidth(shown, from, edit.font()), r.top + inset,
                     placed.left + painter.textWidth(shown, to, edit.font()), r.bottom - inset};
        band.left = std::max(band.left, r.left);
        band.right = std::min(band.right, r.right);
        painter.fillRect(band, kSelectionColor);
    }
    placed.right = std::max(placed.right, placed.left + full + 1);
    painter.drawText(shown, placed, edit.font(), stateTextColor(edit), DT_LEFT | DT_VCENTER | DT_SINGLELINE, &r);
    if (focused && options.caretOn) {
        DWORD color = edit.textColor() ? edit.textColor() : kDefaultTextColor;
        painter.fillRect(caretRectAt(painter, edit, r, placed.left + caretX), 0xFF000000u | color);
    }
}

void paintRichEdit(CPainter& painter, CRichEditUI& edit, const CWindowLayout& layout)
{
    const RECT text = textRect(edit);
    RECT r = text;
    if (edit.hasVScrollBar()) {
        // The text keeps clear of the scroll bar's column.
        CImageDesc thumbLook;
        int barWidth = 8;
        scrollbarLook(layout, thumbLook, barWidth);
        r.right = std::max(r.left, std::min<LONG>(r.right, edit.pos().right - scaleValue(barWidth + 4, edit.dpi())));
    }
    const int height = painter.drawWrapped(edit.displayText(), r, edit.font(), stateTextColor(edit), edit.scrollY());
    // The pad above and below the text scrolls with it.
    const RECT& p = edit.pos();
    edit.setContentHeight(height + (text.top - p.top) + (p.bottom - text.bottom));
    const RECT thumb = richEditThumb(edit, layout);
    if (thumb.right <= thumb.left) return;
    CImageDesc image;
    int width = 0;
    if (scrollbarLook(layout, image, width)) painter.drawImage(image, thumb);
    else painter.fillRect(thumb, 0xFFC3CAD2);
}

} // namespace

RECT textRect(const CControlUI& control)
{
    // From the box, so the padding is rounded with the control's edges.
    const RECT& b = control.box();
    const RECT& pad = control.textPadding();
    RECT r = {b.left + pad.left, b.top + pad.top, b.right - pad.right, b.bottom - pad.bottom};
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return scaleRect(r, control.dpi());
}

RECT editCaretRect(CPainter& painter, const CEditUI& edit)
{
    const RECT r = textRect(edit);
    const int x = r.left - edit.scrollX() + painter.textWidth(edit.shownText(), edit.caret(), edit.font());
    return caretRectAt(painter, edit, r, x);
}

std::size_t editHitTest(CPainter& painter, const CEditUI& edit, int x)
{
    const RECT r = textRect(edit);
    const std::wstring text = edit.shownText();
    const int left = r.left - edit.scrollX();
    std::size_t best = 0;
    int bestDistance = std::abs(x - left);
    for (std::size_t i = 1; i <= text.size(); ++i) {
        const int distance = std::abs(x - (left + painter.textWidth(text, i, edit.font())));
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

RECT richEditThumb(const CRichEditUI& edit, const CWindowLayout& layout)
{
    const RECT& p = edit.pos();
    const int view = p.bottom - p.top;
    if (!edit.hasVScrollBar() || edit.contentHeight() <= view || view <= 0) return RECT{0, 0, 0, 0};
    CImageDesc image;
    int width = 8;
    scrollbarLook(layout, image, width);
    const int minimum = std::min(scaleValue(kThumbMinimum, edit.dpi()), view);
    const int length = std::max(minimum, static_cast<int>(static_cast<long long>(view) * view / edit.contentHeight()));
    const int travel = view - length;
    const int top = edit.maxScroll() > 0 ? static_cast<int>(static_cast<long long>(travel) * edit.scrollY() / edit.maxScroll()) : 0;
    const int margin = scaleValue(2, edit.dpi());
    return RECT{p.right - scaleValue(width, edit.dpi()) - margin, p.top + top, p.right - margin, p.top + top + length};
}

void paintControl(CPainter& painter, CControlUI& control, const CWindowLayout& layout, const CPaintOptions& options)
{
    const RECT& r = control.pos();
    if (!control.isVisible() || r.right <= r.left || r.bottom <= r.top || !meets(r, options.dirty)) return;
    painter.fillRect(r, control.bkColor());
    if (const CImageDesc* bk = control.image(L"bkimage")) painter.drawImage(*bk, r);

    if (CProgressUI* progress = dynamic_cast<CProgressUI*>(&control)) {
        const RECT filled = progress->filledRect();
        if (const CImageDesc* fore = control.image(L"foreimage"))
            if (filled.right > filled.left && filled.bottom > filled.top) painter.drawImage(*fore, filled);
    } else if (const CImageDesc* state = stateImage(control)) {
        painter.drawImage(*state, r);
    }

    if (CEditUI* edit = dynamic_cast<CEditUI*>(&control)) {
        paintEdit(painter, *edit, options);
    } else if (CRichEditUI* rich = dynamic_cast<CRichEditUI*>(&control)) {
        paintRichEdit(painter, *rich, layout);
    } else if (!control.text().empty() && !dynamic_cast<CProgressUI*>(&control)) {
        const std::wstring text = control.displayText();
        if (control.showHtml())
            painter.drawMarkup(parseMarkup(text), textRect(control), control.font(), stateTextColor(control),
                               control.textStyle());
        else
            painter.drawText(text, textRect(control), control.font(), stateTextColor(control), control.textStyle());
    }

    if (CContainerUI* container = control.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i)
            paintControl(painter, *container->itemAt(i), layout, options);
}

RECT focusRingRect(const CControlUI& control, int dpi)
{
    RECT r = control.pos();
    const int outset = scaleValue(kFocusRingOutset, dpi);
    ::InflateRect(&r, outset, outset);
    return r;
}

void paintWindow(CPainter& painter, CWindowLayout& layout, const CPaintOptions& options)
{
    painter.setFonts(layout.fonts);
    if (layout.hasLayeredImage)
        painter.drawImage(layout.layeredImage, scaleRect(RECT{0, 0, layout.size.cx, layout.size.cy}, painter.dpi()));
    if (layout.root) paintControl(painter, *layout.root, layout, options);
    if (options.focusRing && options.focusRing->isVisible()) {
        const RECT ring = focusRingRect(*options.focusRing, painter.dpi());
        if (meets(ring, options.dirty)) painter.drawFocusRing(ring, scaleValue(kFocusRingWidth, painter.dpi()));
    }
}

} // namespace SkinUI
