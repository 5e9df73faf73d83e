#include "skinui/resources.h"

#include <atomic>
#include <cstdarg>
#include <cwchar>

namespace SkinUI {

namespace {

std::atomic<const IFileSource*> g_source{nullptr};
std::atomic<TraceSink> g_sink{nullptr};
HINSTANCE g_instance = nullptr;

} // namespace

void setFileSource(const IFileSource* source) { g_source = source; }

bool loadFile(const std::wstring& name, std::string& bytes)
{
    bytes.clear();
    const IFileSource* source = g_source;
    return source && !name.empty() && source->readFile(name, bytes);
}

bool loadVariant(const std::wstring& picture, const std::wstring& variant, std::string& bytes)
{
    bytes.clear();
    const IFileSource* source = g_source;
    return source && !variant.empty() && source->readVariant(picture, variant, bytes);
}

void setInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE instance() { return g_instance; }

void setTraceSink(TraceSink sink) { g_sink = sink; }

void trace(const char* function, int line, const wchar_t* format, ...)
{
    const TraceSink sink = g_sink;
    if (!sink) return;
    wchar_t message[512];
    va_list args;
    va_start(args, format);
    const int n = _vsnwprintf(message, 511, format, args);
    va_end(args);
    message[n < 0 ? 511 : n] = L'\0';
    sink(function, line, message);
}

std::wstring fromUtf8(const std::string& bytes)
{
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    if (bytes.size() == start || bytes.size() - start > 0x7FFFFFFF) return std::wstring();
    const int length = static_cast<int>(bytes.size() - start);
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, &text[0], n);
    return text;
}

} // namespace SkinUI
