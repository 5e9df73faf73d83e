#pragma once
// One HTTP transport, used for one attempt: open, connect, sendRequest,
// recvHeader, read until the body ends, then close and release. close may
// also come from another thread to cut a blocked receive short.

#include <string>

namespace utility {

class IHttpConnection {
public:
    // close, then delete this object (connections are made with new).
    virtual void release() = 0;
    virtual void close() = 0;
    virtual bool open() = 0;
    virtual bool connect(const std::wstring& host, int port) = 0;
    virtual bool sendRequest(const std::wstring& host, const std::wstring& path, const std::wstring& headers) = 0;
    virtual bool postRequest(const std::wstring& path, const std::wstring& headers, const unsigned char* body,
                             int bodyLength) = 0;
    // headText keeps the raw head for the body framing; empty when the
    // transport decodes the body itself.
    virtual bool recvHeader(std::string& headText, int& status, int& contentLength) = 0;
    // Bytes read, 0 at the end of the stream, negative on failure.
    virtual int read(char* buffer, int size) = 0;
    // A header of the response head by name, for transports whose headText
    // stays empty; false when absent.
    virtual bool responseHeader(const std::string& name, std::string& value)
    {
        static_cast<void>(name);
        static_cast<void>(value);
        return false;
    }

protected:
    ~IHttpConnection() = default;
};

} // namespace utility
