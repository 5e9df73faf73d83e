#pragma once
// Reads a layout file (one Window element) into a window description and
// a control tree, and creates controls by class name in code.

#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/xml_document.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

struct CFontDesc {
    int id = -1;
    std::wstring face;
    int size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool isDefault = false;
};

class CWindowLayout {
public:
    SIZE size = {0, 0};
    RECT caption = {0, 0, 0, 0};
    SIZE minInfo = {0, 0};
    SIZE roundCorner = {0, 0};
    bool hasLayeredImage = false;
    CImageDesc layeredImage;
    std::vector<CFontDesc> fonts;
    // Class name -> attribute list applied to every control of that class
    // before its own attributes (for example "VScrollBar").
    std::map<std::wstring, std::wstring> defaults;
    // Pictures that configuration files name up front.
    std::vector<std::wstring> images;
    std::unique_ptr<CControlUI> root;

    CControlUI* findControl(const std::wstring& name) const { return root ? root->findControl(name) : nullptr; }
    // Lays the tree out in a client area of the given size in pixels at
    // dpi: placed in layout units, then every rectangle scaled once.
    void layout(int width, int height, int dpi = 96);
    // Lays the tree out in the window's own size at 96 DPI.
    void layout() { layout(size.cx, size.cy); }
    void clear();
};

// Makes controls of classes the toolkit does not know; the builder owns
// what it returns.
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    virtual CControlUI* createControl(const wchar_t* className)
    {
        (void)className;
        return nullptr;
    }
};

class CDialogBuilder {
public:
    // Reads the file through the toolkit's file source. A missing or
    // malformed file leaves the layout empty (no controls) and says why
    // once in the trace. The callback, if any, is asked for unknown classes.
    static bool build(const std::wstring& file, CWindowLayout& layout, IDialogBuilderCallback* callback = nullptr);
    static bool buildFromText(const std::wstring& xml, CWindowLayout& layout,
                              IDialogBuilderCallback* callback = nullptr);

    // A control of one of the layout classes; null for an unknown name.
    static std::unique_ptr<CControlUI> createControl(const std::wstring& className);
};

} // namespace SkinUI
