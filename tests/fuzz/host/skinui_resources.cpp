// Host stand-in for the toolkit's file and trace seams: no files, no trace,
// UTF-8 through the host conversion.

#include "skinui/resources.h"
#include "utility/text.h"

namespace SkinUI {

void setFileSource(const IFileSource*) {}
bool loadFile(const std::wstring&, std::string&) { return false; }
void setInstance(HINSTANCE) {}
HINSTANCE instance() { return nullptr; }
void setTraceSink(TraceSink) {}
void trace(const char*, int, const wchar_t*, ...) {}

std::wstring fromUtf8(const std::string& bytes)
{
    const bool bom = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    return utility::utf8ToWide(bom ? bytes.substr(3) : bytes);
}

} // namespace SkinUI
