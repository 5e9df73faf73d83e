#pragma once
// Text conversions and the small string helpers of the installer. UTF-16 is
// the program's text type; 8-bit text comes from the wire, the services'
// JSON and the launch parameters.

#include <cstdint>
#include <list>
#include <map>
#include <string>

namespace utility {

std::wstring toWide(const char* text, int length, unsigned codePage);
std::wstring ansiToWide(const std::string& text);
std::wstring utf8ToWide(const std::string& text);
std::string wideToAnsi(const std::wstring& text);
std::string wideToUtf8(const std::wstring& text);

// Removes blanks (0x20 only) from both ends.
void trimBlanks(std::string& text);
void trimBlanks(std::wstring& text);
// The text in lower case, character by character (towlower).
std::wstring lowered(std::wstring text);

// Appends the trimmed pieces of text between separators, empty ones too.
void splitTrimmed(std::list<std::wstring>& pieces, const std::wstring& text, const std::wstring& separator);

// Adds "key<separator>value" strings; keys are trimmed and lower-cased
// (A-Z only), values trimmed; strings without a separator or key are skipped.
void parseKeyValues(std::map<std::wstring, std::wstring>& values, const std::list<std::wstring>& list,
                    const std::wstring& separator);

bool findValue(std::wstring& value, const std::map<std::wstring, std::wstring>& values, const std::wstring& key);

bool endsWith(const std::string& text, const std::string& suffix);
bool endsWith(const std::wstring& text, const std::wstring& suffix);

std::wstring int64ToWide(std::int64_t value);

} // namespace utility
