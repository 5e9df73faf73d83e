#include "skinui/control.h"

#include "skinui/containers.h"

#include "skinui/multi_language.h"
#include "skinui/resources.h"
#include "skinui/scale.h"

namespace SkinUI {

namespace {

bool isImageAttribute(const std::wstring& name)
{
    static const wchar_t* const kImages[] = {L"bkimage",       L"normalimage",   L"hotimage",
                                             L"pushedimage",   L"disabledimage", L"selectedimage",
                                             L"selectedhotimage", L"foreimage",  L"focusedimage"};
    for (const wchar_t* image : kImages)
        if (name == image) return true;
    return false;
}

bool setColor(const std::wstring& value, DWORD& color) { return parseColor(value, color); }

} // namespace

std::wstring CControlUI::displayText() const { return CMultiLanguage::instance().resolve(text_); }

bool CControlUI::setAttribute(const std::wstring& name, const std::wstring& value)
{
    written_[name] = value;
    bool ok = true;
    if (name == L"name") name_ = value;
    else if (name == L"text") text_ = value;
    else if (name == L"tooltip") tooltip_ = value;
    else if (name == L"width") ok = parseInt(value, width_);
    else if (name == L"height") ok = parseInt(value, height_);
    else if (name == L"padding") ok = parseRect(value, padding_);
    else if (name == L"pos") ok = parseRect(value, floatPos_);
    else if (name == L"float") ok = parseBool(value, float_);
    else if (name == L"visible") {
        bool visible = visible_;
        ok = parseBool(value, visible);
        if (ok) setVisible(visible);
    } else if (name == L"enabled") ok = parseBool(value, enabled_);
    else if (name == L"mouse") ok = parseBool(value, mouse_);
    else if (name == L"font") ok = parseInt(value, font_);
    else if (name == L"align") {
        textStyle_ &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
        if (value == L"left") textStyle_ |= DT_LEFT;
        else if (value == L"center") textStyle_ |= DT_CENTER;
        else if (value == L"right") textStyle_ |= DT_RIGHT;
        else ok = false;
    } else if (name == L"valign") {
        textStyle_ &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
        if (value == L"top") textStyle_ |= DT_TOP;
        else if (value == L"center" || value == L"vcenter") textStyle_ |= DT_VCENTER;
        else if (value == L"bottom") textStyle_ |= DT_BOTTOM;
        else ok = false;
    } else if (name == L"multiline") {
        bool multi = false;
        ok = parseBool(value, multi);
        if (ok && multi) textStyle_ = (textStyle_ & ~DT_SINGLELINE) | DT_WORDBREAK;
        if (ok && !multi) textStyle_ = (textStyle_ & ~DT_WORDBREAK) | DT_SINGLELINE;
    } else if (name == L"textpadding") ok = parseRect(value, textPadding_);
    else if (name == L"showhtml") ok = parseBool(value, showHtml_);
    else if (name == L"textcolor") ok = setColor(value, textColor_);
    else if (name == L"disabledtextcolor") ok = setColor(value, disabledTextColor_);
    else if (name == L"hottextcolor") ok = setColor(value, hotTextColor_);
    else if (name == L"pushedtextcolor") ok = setColor(value, pushedTextColor_);
    else if (name == L"bkcolor") ok = setColor(value, bkColor_);
    else if (isImageAttribute(name)) {
        if (value.empty()) {
            images_.erase(name);
        } else {
            CImageDesc image;
            ok = parseImage(value, image);
            if (ok) images_[name] = image;
        }
    }
    if (!ok) SKINUI_TRACE(L"bad value of %s: %s", name.c_str(), value.c_str());
    changed(true);
    return ok;
}

void CControlUI::notifyHost(bool relayout, bool forReaders)
{
    CControlUI* root = this;
    while (root->parent_) root = root->parent_;
    if (root->host_) root->host_->controlChanged(*this, relayout, forReaders);
}

bool CControlUI::applyAttributeList(const std::wstring& list)
{
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    if (!parseAttributeList(list, pairs)) {
        SKINUI_TRACE(L"bad attribute list: %s", list.c_str());
        return false;
    }
    bool ok = true;
    for (const auto& pair : pairs) ok = setAttribute(pair.first, pair.second) && ok;
    return ok;
}

std::wstring CControlUI::attribute(const std::wstring& name) const
{
    const auto it = written_.find(name);
    return it == written_.end() ? std::wstring() : it->second;
}

const CImageDesc* CControlUI::image(const std::wstring& which) const
{
    const auto it = images_.find(which);
    return it == images_.end() ? nullptr : &it->second;
}

void CControlUI::scaleTo(int dpi)
{
    dpi_ = clampDpi(dpi);
    pos_ = scaleRect(box_, dpi_);
    if (CContainerUI* container = asContainer())
        for (std::size_t i = 0; i < container->count(); ++i) container->itemAt(i)->scaleTo(dpi_);
}

CControlUI* CControlUI::findControl(const std::wstring& name)
{
    return !name.empty() && name_ == name ? this : nullptr;
}

} // namespace SkinUI
