// Host stand-in for the toolkit's file and trace seams: files only through
// a source a test sets (the fuzz targets set none), no trace, UTF-8 through
// the host conversion.

#include "skinui/resources.h"
#include "utility/text.h"

#include <atomic>

namespace SkinUI {

namespace {
std::atomic<const IFileSource*> g_source{nullptr};
} // namespace

void setFileSource(const IFileSource* source) { g_source = source; }

bool loadFile(const std::wstring& name, std::string& bytes)
{
    bytes.clear();
    const IFileSource* source = g_source;
    return source && !name.empty() && source->readFile(name, bytes);
}

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
