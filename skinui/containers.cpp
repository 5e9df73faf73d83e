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
    const RECT& r = pos();
    RECT inner = {r.left + inset_.left, r.top + inset_.top, r.right - inset_.right, r.bottom - inset_.bottom};
    inner.right = std::max(inner.right, inner.left);
    inner.bottom = std::max(inner.bottom, inner.top);
    return inner;
}

void CContainerUI::placeFloat(CControlUI& child) const
{
    const RECT& p = child.floatPos();
    const RECT& r = pos();
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

// Children without a fixed height share what the fixed ones, the paddings
// and the gaps leave; the last of them takes the rounding rest.
void CVerticalLayoutUI::setPos(const RECT& rect)
{
    CControlUI::setPos(rect);
    const RECT inner = innerRect();
    int fixed = 0;
    int flexible = 0;
    int placed = 0;
    for (const auto& item : items_) {
        if (!item->isVisible() || item->isFloat()) continue;
        fixed += item->padding().top + item->padding().bottom + std::max(item->fixedHeight(), 0);
        if (item->fixedHeight() <= 0) ++flexible;
        ++placed;
    }
    if (placed > 1) fixed += childPadding() * (placed - 1);
    const int rest = std::max(heightOf(inner) - fixed, 0);
    const int share = flexible > 0 ? rest / flexible : 0;
    const int leftover = flexible > 0 ? rest - share * flexible : 0;
    int seenFlexible = 0;
    int y = inner.top;
    for (const auto& item : items_) {
        CControlUI& child = *item;
        if (!child.isVisible()) continue;
        if (child.isFloat()) {
            placeFloat(child);
            continue;
        }
        const RECT& pad = child.padding();
        int height = child.fixedHeight();
        if (height <= 0) {
            height = share;
            if (++seenFlexible == flexible) height += leftover;
        }
        const int width = child.fixedWidth() > 0 ? child.fixedWidth()
                                                 : std::max<int>(widthOf(inner) - pad.left - pad.right, 0);
        const RECT r = {inner.left + pad.left, y + pad.top, inner.left + pad.left + width, y + pad.top + height};
        child.setPos(r);
        y = r.bottom + pad.bottom + childPadding();
    }
}

void CHorizontalLayoutUI::setPos(const RECT& rect)
{
    CControlUI::setPos(rect);
    const RECT inner = innerRect();
    int fixed = 0;
    int flexible = 0;
    int placed = 0;
    for (const auto& item : items_) {
        if (!item->isVisible() || item->isFloat()) continue;
        fixed += item->padding().left + item->padding().right + std::max(item->fixedWidth(), 0);
        if (item->fixedWidth() <= 0) ++flexible;
        ++placed;
    }
    if (placed > 1) fixed += childPadding() * (placed - 1);
    const int rest = std::max(widthOf(inner) - fixed, 0);
    const int share = flexible > 0 ? rest / flexible : 0;
    const int leftover = flexible > 0 ? rest - share * flexible : 0;
    int seenFlexible = 0;
    int x = inner.left;
    for (const auto& item : items_) {
        CControlUI& child = *item;
        if (!child.isVisible()) continue;
        if (child.isFloat()) {
            placeFloat(child);
            continue;
        }
        const RECT& pad = child.padding();
        int width = child.fixedWidth();
        if (width <= 0) {
            width = share;
            if (++seenFlexible == flexible) width += leftover;
        }
        const int height = child.fixedHeight() > 0 ? child.fixedHeight()
                                                   : std::max<int>(heightOf(inner) - pad.top - pad.bottom, 0);
        const RECT r = {x + pad.left, inner.top + pad.top, x + pad.left + width, inner.top + pad.top + height};
        child.setPos(r);
        x = r.right + pad.right + childPadding();
    }
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
    // The new page takes the tab's place at once.
    setPos(pos());
    return true;
}

} // namespace SkinUI
