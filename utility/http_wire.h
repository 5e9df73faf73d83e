#pragma once
// What the raw HTTP transport says and reads, as plain functions over byte
// sources: request text, response head, header lookup, body framing. Every
// limit here is checked, so a hostile or broken peer can only make a
// transfer fail, never overrun a buffer or pass a damaged body as whole.

#include <map>
#include <string>

namespace utility {
namespace http {

constexpr int kBlockSize = 32768;      // one body block
constexpr int kMaxHeadBytes = 65536;   // a longer response head is refused
constexpr int kMaxRedirects = 8;       // more 301/302 in a row count as a loop
constexpr int kMaxChunkLine = 1024;    // chunk-size line, extensions included

// A stream of bytes: read returns the count (> 0), 0 at the end, < 0 on failure.
class ByteSource {
public:
    virtual int read(char* buffer, int size) = 0;

protected:
    ~ByteSource() = default;
};

// The extra header text of a request, in map order; adds the default
// Content-Type and User-Agent entries to the map when they are missing.
std::wstring buildHeaderText(std::map<std::wstring, std::wstring>& headers);

// The request target for a proxy: "http://host[:port]" + path. A path that
// is not one (the whole address, when it had no '/') stays as it is.
std::wstring absoluteTarget(const std::wstring& host, int port, const std::wstring& path);

// The whole GET request for the raw transport; path is the request target.
std::wstring buildRequestText(const std::wstring& host, const std::wstring& path, const std::wstring& headers);

// Reads byte by byte until CR LF CR LF, so no body byte is taken; false when
// the stream ends or fails first, or the head grows past kMaxHeadBytes.
bool readHead(ByteSource& source, std::string& head);

// The number after the status line's first blank, read as atoi reads it.
bool parseStatus(const std::string& head, int& status);

// A header of the head by name: case-insensitive, at the start of a line
// after the status line; the value with blanks trimmed.
bool findHeader(const std::string& head, const std::string& name, std::string& value);

// Content-Length: -1 when absent; false when malformed or 2 GiB or more.
bool parseContentLength(const std::string& head, int& length);

bool isChunked(const std::string& head);

// Hex size of a chunk-size line (without its CR LF); extensions after ';'
// are ignored. False for no digits, other bytes, or a size of 2 GiB or more.
bool parseChunkSize(const std::string& line, int& size);

// Delivers a body block by block as the head frames it: plainly, or decoded
// from the chunked coding with partial reads continued and large chunks
// split over several blocks.
class BodyReader {
public:
    BodyReader(ByteSource& source, const std::string& head);

    // Up to size bytes of body: count, 0 at the end of the body, -1 on failure.
    int next(char* buffer, int size);

private:
    enum class State { SizeLine, Data, DataEnd, Done, Failed };

    int readChunkSizeLine();
    bool readExactly(char* buffer, int size);

    ByteSource& source_;
    bool chunked_ = false;
    State state_ = State::SizeLine;
    int chunkLeft_ = 0;
};

} // namespace http
} // namespace utility
