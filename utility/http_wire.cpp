#include "utility/http_wire.h"

#include "utility/text.h"

#include <climits>
#include <cstdlib>

namespace utility {
namespace http {

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::wstring buildHeaderText(std::map<std::wstring, std::wstring>& headers)
{
    if (headers.find(L"Content-Type") == headers.end())
        headers[L"Content-Type"] = L"application/x-www-form-urlencoded";
    if (headers.find(L"User-Agent") == headers.end()) headers[L"User-Agent"] = L"okhttp/3.5.0L";
    std::wstring text;
    for (const auto& entry : headers)
        text += entry.first + L": " + entry.second + L"\r\n";
    return text;
}

std::wstring absoluteTarget(const std::wstring& host, int port, const std::wstring& path)
{
    if (path.empty() || path[0] != L'/') return path;
    return L"http://" + host + (port == 80 ? std::wstring() : L":" + std::to_wstring(port)) + path;
}

std::wstring buildRequestText(const std::wstring& host, const std::wstring& path, const std::wstring& headers)
{
    std::wstring text = L"GET " + path + L" HTTP/1.1\r\n";
    if (!contains(headers, L"Content-Type")) text += L"Content-Type:application/x-www-form-urlencoded\r\n";
    if (!contains(headers, L"Host:")) text += L"Host:" + host + L"\r\n";
    if (!contains(headers, L"Cache-Control:")) text += L"Cache-Control:no-cache\r\nPragma:no-cache\r\n";
    if (!headers.empty()) {
        text += headers;
        if (!endsWith(headers, std::wstring(L"\r\n"))) text += L"\r\n";
    }
    if (!contains(headers, L"User-Agent:")) text += L"User-Agent:okhttp/3.5.0L\r\n";
    text += L"\r\n";
    return text;
}

bool readHead(ByteSource& source, std::string& head)
{
    char byte = 0;
    while (!endsWith(head, std::string("\r\n\r\n"))) {
        if (head.size() >= static_cast<std::size_t>(kMaxHeadBytes)) return false;
        if (source.read(&byte, 1) < 1) return false;
        head.push_back(byte);
    }
    return true;
}

bool parseStatus(const std::string& head, int& status)
{
    const std::size_t blank = head.find(' ');
    if (blank == std::string::npos) return false;
    status = std::atoi(head.c_str() + blank + 1);
    return true;
}

bool findHeader(const std::string& head, const std::string& name, std::string& value)
{
    std::size_t lineStart = head.find("\r\n");
    while (lineStart != std::string::npos) {
        lineStart += 2;
        const std::size_t lineEnd = head.find("\r\n", lineStart);
        if (lineEnd == std::string::npos || lineEnd == lineStart) return false;
        const std::string line = head.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string field = line.substr(0, colon);
            trimBlanks(field);
            if (equalsNoCase(field, name)) {
                value = line.substr(colon + 1);
                trimBlanks(value);
                return true;
            }
        }
        lineStart = lineEnd;
    }
    return false;
}

bool parseContentLength(const std::string& head, int& length)
{
    std::string value;
    if (!findHeader(head, "Content-Length", value)) {
        length = -1;
        return true;
    }
    if (value.empty()) return false;
    long long number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
        if (number > INT_MAX) return false;
    }
    length = static_cast<int>(number);
    return true;
}

bool isChunked(const std::string& head)
{
    std::string value;
    return findHeader(head, "Transfer-Encoding", value) && equalsNoCase(value, "chunked");
}

bool parseChunkSize(const std::string& line, int& size)
{
    long long number = 0;
    std::size_t i = 0;
    for (; i < line.size(); ++i) {
        const int digit = hexDigit(line[i]);
        if (digit < 0) break;
        number = number * 16 + digit;
        if (number > INT_MAX) return false;
    }
    if (i == 0) return false;
    // Only blanks may stand between the size and a chunk extension.
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] != ';') return false;
    size = static_cast<int>(number);
    return true;
}

BodyReader::BodyReader(ByteSource& source, const std::string& head) : source_(source), chunked_(isChunked(head))
{
}

bool BodyReader::readExactly(char* buffer, int size)
{
    while (size > 0) {
        const int got = source_.read(buffer, size);
        if (got <= 0) return false;
        buffer += got;
        size -= got;
    }
    return true;
}

int BodyReader::readChunkSizeLine()
{
    std::string line;
    char byte = 0;
    while (!endsWith(line, std::string("\r\n"))) {
        if (line.size() >= static_cast<std::size_t>(kMaxChunkLine)) return -1;
        if (source_.read(&byte, 1) < 1) return -1; // the body ends before its last chunk
        line.push_back(byte);
    }
    line.resize(line.size() - 2);
    int size = 0;
    if (!parseChunkSize(line, size)) return -1;
    return size;
}

int BodyReader::next(char* buffer, int size)
{
    if (size <= 0) return -1;
    if (!chunked_) return source_.read(buffer, size);

    for (;;) {
        switch (state_) {
        case State::Done: return 0;
        case State::Failed: return -1;
        case State::SizeLine: {
            const int chunk = readChunkSizeLine();
            if (chunk < 0) {
                state_ = State::Failed;
            } else if (chunk == 0) {
                state_ = State::Done; // trailers are not read: the connection ends here
            } else {
                chunkLeft_ = chunk;
                state_ = State::Data;
            }
            break;
        }
        case State::Data: {
            const int want = chunkLeft_ < size ? chunkLeft_ : size;
            const int got = source_.read(buffer, want);
            if (got <= 0) {
                state_ = State::Failed;
                return -1;
            }
            chunkLeft_ -= got;
            if (chunkLeft_ == 0) state_ = State::DataEnd;
            return got;
        }
        case State::DataEnd: {
            char crlf[2] = {};
            if (!readExactly(crlf, 2) || crlf[0] != '\r' || crlf[1] != '\n') {
                state_ = State::Failed;
            } else {
                state_ = State::SizeLine;
            }
            break;
        }
        }
    }
}

} // namespace http
} // namespace utility
