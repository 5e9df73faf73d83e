#include "skinui/controls.h"

#include <algorithm>

namespace SkinUI {

std::size_t CEditUI::caret() const { return std::min(caret_, text().size()); }
std::size_t CEditUI::anchor() const { return std::min(anchor_, text().size()); }

std::wstring CEditUI::selectedText() const
{
    const std::size_t from = std::min(caret(), anchor());
    const std::size_t to = std::max(caret(), anchor());
    return text().substr(from, to - from);
}

void CEditUI::setCaret(std::size_t position, bool extend)
{
    const std::size_t kept = anchor();
    caret_ = std::min(position, text().size());
    anchor_ = extend ? kept : caret_;
    changed(false);
}

void CEditUI::moveCaret(int delta, bool extend)
{
    // Without Shift an arrow first collapses a selection to its side.
    if (!extend && hasSelection()) {
        setCaret(delta < 0 ? std::min(caret(), anchor()) : std::max(caret(), anchor()), false);
        return;
    }
    const long long target = static_cast<long long>(caret()) + delta;
    setCaret(static_cast<std::size_t>(std::max<long long>(target, 0)), extend);
}

void CEditUI::selectAll()
{
    anchor_ = 0;
    caret_ = text().size();
    changed(false);
}

bool CEditUI::eraseSelection()
{
    if (!hasSelection()) return false;
    const std::size_t from = std::min(caret(), anchor());
    std::wstring t = text();
    t.erase(from, std::max(caret(), anchor()) - from);
    setText(t);
    caret_ = anchor_ = from;
    return true;
}

bool CEditUI::insert(const std::wstring& typed)
{
    if (isReadOnly()) return false;
    std::wstring clean;
    for (wchar_t c : typed)
        if (c >= 0x20 && c != 0x7F) clean += c;
    const std::size_t limit = static_cast<std::size_t>(std::max(maxChars(), 0));
    const std::size_t selected = std::max(caret(), anchor()) - std::min(caret(), anchor());
    const std::size_t room = limit > text().size() - selected ? limit - (text().size() - selected) : 0;
    if (clean.size() > room) clean.resize(room);
    if (clean.empty()) return false;
    eraseSelection();
    std::wstring t = text();
    const std::size_t at = caret();
    t.insert(at, clean);
    setText(t);
    caret_ = anchor_ = at + clean.size();
    return true;
}

bool CEditUI::eraseBackward()
{
    if (isReadOnly()) return false;
    if (eraseSelection()) return true;
    const std::size_t at = caret();
    if (at == 0) return false;
    std::wstring t = text();
    t.erase(at - 1, 1);
    setText(t);
    caret_ = anchor_ = at - 1;
    return true;
}

bool CEditUI::eraseForward()
{
    if (isReadOnly()) return false;
    if (eraseSelection()) return true;
    const std::size_t at = caret();
    if (at >= text().size()) return false;
    std::wstring t = text();
    t.erase(at, 1);
    setText(t);
    caret_ = anchor_ = at;
    return true;
}

int CRichEditUI::maxScroll() const
{
    const RECT& r = pos();
    return std::max(contentHeight_ - static_cast<int>(r.bottom - r.top), 0);
}

void CRichEditUI::setContentHeight(int height)
{
    contentHeight_ = std::max(height, 0);
    scrollY_ = std::min(scrollY_, maxScroll());
}

bool CRichEditUI::scrollBy(int delta)
{
    const int before = scrollY_;
    scrollY_ = std::min(std::max(scrollY_ + delta, 0), maxScroll());
    if (scrollY_ != before) changed(false);
    return scrollY_ != before;
}

} // namespace SkinUI
