#pragma once
// Controls that own children and place them: a plain container (every
// child fills it), vertical and horizontal layouts (children share the
// remaining length) and the tab layout (one page shown at a time).

#include "skinui/control.h"

#include <memory>
#include <vector>

namespace SkinUI {

class CContainerUI : public CControlUI {
public:
    const wchar_t* className() const override { return L"Container"; }
    CContainerUI* asContainer() override { return this; }

    // Takes ownership; false (and the control is dropped) when null.
    virtual bool add(std::unique_ptr<CControlUI> control);
    std::size_t count() const { return items_.size(); }
    CControlUI* itemAt(std::size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }

    const RECT& inset() const { return inset_; }
    int childPadding() const { return childPadding_; }

    bool setAttribute(const std::wstring& name, const std::wstring& value) override;
    void setPos(const RECT& rect) override;
    CControlUI* findControl(const std::wstring& name) override;

protected:
    // The container's box less its inset (layout units).
    RECT innerRect() const;
    // A floating child: "pos" from the container's top-left corner; with
    // zero right and bottom, "width" and "height" give the size.
    void placeFloat(CControlUI& child) const;
    // Places the children one after another along one axis; children without
    // a fixed size there share what the others, paddings and gaps leave.
    void arrangeInLine(bool vertical);

    std::vector<std::unique_ptr<CControlUI>> items_;

private:
    RECT inset_ = {0, 0, 0, 0};
    int childPadding_ = 0;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    const wchar_t* className() const override { return L"VerticalLayout"; }
    void setPos(const RECT& rect) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    const wchar_t* className() const override { return L"HorizontalLayout"; }
    void setPos(const RECT& rect) override;
};

class CTabLayoutUI : public CContainerUI {
public:
    const wchar_t* className() const override { return L"TabLayout"; }
    bool add(std::unique_ptr<CControlUI> control) override;
    bool setAttribute(const std::wstring& name, const std::wstring& value) override;
    // Shows the page at index and hides the others; false when out of range.
    bool selectItem(int index);
    int currentSelection() const { return selected_; }

private:
    int selected_ = 0;
};

} // namespace SkinUI
