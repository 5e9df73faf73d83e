#pragma once
// Where the toolkit gets its files (layouts, images, tables) and its
// diagnostics. The program supplies both once, before the first window.

#include <windows.h>

#include <string>

namespace SkinUI {

class IFileSource {
public:
    virtual ~IFileSource() = default;
    // Whole contents of a relative or absolute name; false when missing.
    virtual bool readFile(const std::wstring& name, std::string& bytes) const = 0;
    // A picture drawn for another scale ("name@2x.png" of "name.png"). A
    // source of several places gives it only from where the picture
    // itself comes, so a replaced picture is not drawn from an old variant.
    virtual bool readVariant(const std::wstring& picture, const std::wstring& variant, std::string& bytes) const
    {
        (void)picture;
        return readFile(variant, bytes);
    }
};

// Not owned; must outlive every window. Null means no files.
void setFileSource(const IFileSource* source);
bool loadFile(const std::wstring& name, std::string& bytes);
bool loadVariant(const std::wstring& picture, const std::wstring& variant, std::string& bytes);

void setInstance(HINSTANCE instance);
HINSTANCE instance();

// Receives one line per failure the toolkit meets.
using TraceSink = void (*)(const char* function, int line, const wchar_t* message);
void setTraceSink(TraceSink sink);
void trace(const char* function, int line, const wchar_t* format, ...);

// UTF-8 file contents to the toolkit's text type; a leading byte-order
// mark is dropped.
std::wstring fromUtf8(const std::string& bytes);

} // namespace SkinUI

#define SKINUI_TRACE(...) ::SkinUI::trace(__FUNCTION__, __LINE__, __VA_ARGS__)
