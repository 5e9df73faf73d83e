#include "skinui/controls.h"

#include "skinui/containers.h"
#include "skinui/resources.h"

#include <algorithm>

namespace SkinUI {

namespace {

// Parses into field when name matches; records the written value.
bool boolAttribute(CControlUI& control, const std::wstring& name, const std::wstring& value, bool& field)
{
    control.CControlUI::setAttribute(name, value);
    const bool ok = parseBool(value, field);
    if (!ok) SKINUI_TRACE(L"bad value of %s: %s", name.c_str(), value.c_str());
    return ok;
}

bool intAttribute(CControlUI& control, const std::wstring& name, const std::wstring& value, int& field)
{
    control.CControlUI::setAttribute(name, value);
    const bool ok = parseInt(value, field);
    if (!ok) SKINUI_TRACE(L"bad value of %s: %s", name.c_str(), value.c_str());
    return ok;
}

void deselectGroup(CControlUI& node, const std::wstring& group, const COptionUI* keep)
{
    if (COptionUI* option = dynamic_cast<COptionUI*>(&node)) {
        if (option != keep && option->group() == group && option->isSelected()) option->setSelected(false);
    }
    if (CContainerUI* container = node.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i) deselectGroup(*container->itemAt(i), group, keep);
}

} // namespace

void COptionUI::setSelected(bool selected)
{
    if (selected_ != selected) {
        selected_ = selected;
        changed(false);
    }
    if (!selected || group_.empty()) return;
    CControlUI* root = this;
    while (root->parent()) root = root->parent();
    deselectGroup(*root, group_, this);
}

bool COptionUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"selected") {
        bool selected = false;
        const bool ok = boolAttribute(*this, name, value, selected);
        if (ok) setSelected(selected);
        return ok;
    }
    if (name == L"group") {
        group_ = value;
        return CControlUI::setAttribute(name, value);
    }
    return CButtonUI::setAttribute(name, value);
}

bool CEditUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"readonly") return boolAttribute(*this, name, value, readOnly_);
    if (name == L"password") return boolAttribute(*this, name, value, password_);
    if (name == L"maxchar") return intAttribute(*this, name, value, maxChars_);
    return CLabelUI::setAttribute(name, value);
}

bool CRichEditUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"multiline") return boolAttribute(*this, name, value, multiLine_);
    if (name == L"vscrollbar") return boolAttribute(*this, name, value, vScrollBar_);
    if (name == L"autovscroll") return boolAttribute(*this, name, value, autoVScroll_);
    if (name == L"rich") return boolAttribute(*this, name, value, rich_);
    if (name == L"readonly") return boolAttribute(*this, name, value, readOnly_);
    return CControlUI::setAttribute(name, value);
}

void CProgressUI::setValue(int value)
{
    const int before = value_;
    value_ = std::min(std::max(value, min_), std::max(max_, min_));
    if (value_ != before) changed(false);
}

RECT CProgressUI::filledRect() const
{
    RECT r = pos();
    const int range = max_ - min_;
    if (range <= 0) return RECT{r.left, r.top, r.left, r.top};
    if (horizontal_) {
        r.right = r.left + static_cast<int>(static_cast<long long>(r.right - r.left) * (value_ - min_) / range);
    } else {
        r.top = r.bottom - static_cast<int>(static_cast<long long>(r.bottom - r.top) * (value_ - min_) / range);
    }
    return r;
}

bool CProgressUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"hor") return boolAttribute(*this, name, value, horizontal_);
    if (name == L"min" || name == L"max" || name == L"value") {
        int v = 0;
        const bool ok = intAttribute(*this, name, value, v);
        if (!ok) return false;
        if (name == L"min") min_ = v;
        else if (name == L"max") max_ = v;
        setValue(name == L"value" ? v : value_);
        return true;
    }
    return CLabelUI::setAttribute(name, value);
}

} // namespace SkinUI
