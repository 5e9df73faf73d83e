#include "skinui/text_fit.h"

#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/markup.h"
#include "skinui/render.h"

namespace SkinUI {

namespace {

void measure(CPainter& painter, CControlUI& control, std::vector<CTextFit>& fits)
{
    if (!control.isVisible()) return;
    if (CContainerUI* container = control.asContainer()) {
        for (std::size_t i = 0; i < container->count(); ++i) measure(painter, *container->itemAt(i), fits);
        return;
    }
    const bool scrolls = dynamic_cast<CEditUI*>(&control) || dynamic_cast<CRichEditUI*>(&control) ||
                         dynamic_cast<CProgressUI*>(&control);
    if (scrolls || control.text().empty()) return;
    const std::wstring text = control.showHtml() ? stripMarkup(control.displayText()) : control.displayText();
    if (text.empty()) return;
    const RECT r = textRect(control);
    CTextFit fit;
    fit.name = control.name();
    fit.roomWidth = r.right - r.left;
    fit.roomHeight = r.bottom - r.top;
    if (control.textStyle() & DT_SINGLELINE) {
        fit.neededWidth = painter.textWidth(text, text.size(), control.font());
        fit.neededHeight = painter.lineHeight(control.font());
    } else {
        fit.neededHeight = painter.measureWrapped(text, fit.roomWidth, control.font());
    }
    fits.push_back(fit);
}

} // namespace

std::vector<CTextFit> measureTexts(CPainter& painter, CControlUI& root)
{
    std::vector<CTextFit> fits;
    measure(painter, root, fits);
    return fits;
}

} // namespace SkinUI
