#include "skinui/containers.h"

#include "skinui/resources.h"

#include <algorithm>

namespace SkinUI {

namespace {

int widthOf(const RECT& r) { return r.right - r.left; }
int heightOf(const RECT& r) { return r.bottom - r.top; }

} // namespace

bool CContainerUI::add(std::unique_ptr<CControlUI> control)
{
    if (!control) return false;
    control->parent_ = this;
    items_.push_back(std::move(control));
    return true;
}

bool CContainerUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"inset" || name == L"childpadding") {
        CControlUI::setAttribute(name, value); // keeps the value as written
        const bool ok = name == L"inset" ? parseRect(value, inset_) : parseInt(value, childPadding_);
        if (!ok) SKINUI_TRACE(L"bad value of %s: %s", name.c_str(), value.c_str());
        return ok;
    }
    return CControlUI::setAttribute(name, value);
}

RECT CContainerUI::innerRect() const
{
    const RECT& r = box();
    RECT inner = {r.left + inset_.left, r.top + inset_.top, r.right - inset_.right, r.bottom - inset_.bottom};
    inner.right = std::max(inner.right, inner.left);
    inner.bottom = std::max(inner.bottom, inner.top);
    return inner;
}

void CContainerUI::placeFloat(CControlUI& child) const
{
    const RECT& p = child.floatPos();
    const RECT& r = box();
    RECT rect = {r.left + p.left, r.top + p.top, r.left + p.right, r.top + p.bottom};
    if (p.right == 0 && p.bottom == 0) {
        rect.right = rect.left + child.fixedWidth();
        rect.bottom = rect.top + child.fixedHeight();
    }
    child.setPos(rect);
}

void CContainerUI::setPos(const RECT& rect)
{
    CControlUI::setPos(rect);
    const RECT inner = innerRect();
    for (const auto& item : items_) {
        CControlUI& child = *item;
        if (!child.isVisible()) continue;
        if (child.isFloat()) {
            placeFloat(child);
            continue;
        }
        const RECT& pad = child.padding();
        RECT r = {inner.left + pad.left, inner.top + pad.top, inner.right - pad.right, inner.bottom - pad.bottom};
        if (child.fixedWidth() > 0) r.right = r.left + child.fixedWidth();
        if (child.fixedHeight() > 0) r.bottom = r.top + child.fixedHeight();
        r.right = std::max(r.right, r.left);
        r.bottom = std::max(r.bottom, r.top);
        child.setPos(r);
    }
}

CControlUI* CContainerUI::findControl(const std::wstring& name)
{
    if (CControlUI* self = CControlUI::findControl(name)) return self;
    for (const auto& item : items_)
        if (CControlUI* found = item->findControl(name)) return found;
    return nullptr;
}

namespace {

// The main axis is y for vertical layouts and x for horizontal ones; the
// cross axis is the other one.
struct Axis {
    bool vertical;

    int fixedMain(const CControlUI& c) const { return vertical ? c.fixedHeight() : c.fixedWidth(); }
    int fixedCross(const CControlUI& c) const { return vertical ? c.fixedWidth() : c.fixedHeight(); }
    int before(const RECT& r) const { return vertical ? r.top : r.left; }
    int after(const RECT& r) const { return vertical ? r.bottom : r.right; }
    int crossBefore(const RECT& r) const { return vertical ? r.left : r.top; }
    int crossAfter(const RECT& r) const { return vertical ? r.right : r.bottom; }
    int length(const RECT& r) const { return vertical ? heightOf(r) : widthOf(r); }
    int crossLength(const RECT& r) const { return vertical ? widthOf(r) : heightOf(r); }
    RECT rect(int mainStart, int crossStart, int mainLength, int crossLength) const
    {
        return vertical ? RECT{crossStart, mainStart, crossStart + crossLength, mainStart + mainLength}
                        : RECT{mainStart, crossStart, mainStart + mainLength, crossStart + crossLength};
    }
};

} // namespace

// The last of the sharing children takes the rounding rest.
void CContainerUI::arrangeInLine(bool vertical)
{
    const Axis axis{vertical};
    const RECT inner = innerRect();
    int fixed = 0;
    int flexible = 0;
    int placed = 0;
    for (const auto& item : items_) {
        if (!item->isVisible() || item->isFloat()) continue;
        fixed += axis.before(item->padding()) + axis.after(item->padding()) + std::max(axis.fixedMain(*item), 0);
        if (axis.fixedMain(*item) <= 0) ++flexible;
        ++placed;
    }
    if (placed > 1) fixed += childPadding() * (placed - 1);
    const int rest = std::max(axis.length(inner) - fixed, 0);
    const int share = flexible > 0 ? rest / flexible : 0;
    const int leftover = flexible > 0 ? rest - share * flexible : 0;
    int seenFlexible = 0;
    int at = axis.before(inner);
    for (const auto& item : items_) {
        CControlUI& child = *item;
        if (!child.isVisible()) continue;
        if (child.isFloat()) {
            placeFloat(child);
            continue;
        }
        const RECT& pad = child.padding();
        int length = axis.fixedMain(child);
        if (length <= 0) {
            length = share;
            if (++seenFlexible == flexible) length += leftover;
        }
        const int crossLength = axis.fixedCross(child) > 0
                                    ? axis.fixedCross(child)
                                    : std::max(axis.crossLength(inner) - axis.crossBefore(pad) - axis.crossAfter(pad), 0);
        const RECT r = axis.rect(at + axis.before(pad), axis.crossBefore(inner) + axis.crossBefore(pad), length, crossLength);
        child.setPos(r);
        at = axis.after(r) + axis.after(pad) + childPadding();
    }
}

void CVerticalLayoutUI::setPos(const RECT& rect)
{
    CControlUI::setPos(rect);
    arrangeInLine(true);
}

void CHorizontalLayoutUI::setPos(const RECT& rect)
{
    CControlUI::setPos(rect);
    arrangeInLine(false);
}

bool CTabLayoutUI::add(std::unique_ptr<CControlUI> control)
{
    if (!control) return false;
    control->setVisible(static_cast<int>(count()) == selected_);
    return CContainerUI::add(std::move(control));
}

bool CTabLayoutUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"selectedid") {
        int index = 0;
        CControlUI::setAttribute(name, value);
        if (!parseInt(value, index) || index < 0) return false;
        selected_ = index;
        for (std::size_t i = 0; i < count(); ++i) itemAt(i)->setVisible(static_cast<int>(i) == selected_);
        return true;
    }
    return CContainerUI::setAttribute(name, value);
}

bool CTabLayoutUI::selectItem(int index)
{
    if (index < 0 || index >= static_cast<int>(count())) return false;
    selected_ = index;
    for (std::size_t i = 0; i < count(); ++i) itemAt(i)->setVisible(static_cast<int>(i) == index);
    // The new page takes the tab's place at once, at the tab's scale.
    setPos(box());
    scaleTo(dpi());
    return true;
}

} // namespace SkinUI
