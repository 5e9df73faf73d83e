#pragma once
// The receiver of one HTTP transfer. In a successful transfer: the head
// once, each body block, then finished; in a failed one onHttpError is the
// last call.

#include <string>

namespace utility {

// What a response head says beyond its status and length; empty when absent.
struct HttpResponseHead {
    int status = 0;
    int contentLength = -1;
    std::string contentType;
    std::string etag;
    std::string lastModified;
    std::string contentRange;
};

class IHttpClientSink {
public:
    // code: 10 open, 12 connect, 16 send, 17 response head, 19 body.
    virtual void onHttpError(int code, int systemError) = 0;
    // false ends the transfer.
    virtual bool onHttpRecvHeader(int status, int contentLength) = 0;
    // false ends the transfer as failed.
    virtual bool onHttpRecvData(const unsigned char* data, int size) = 0;
    virtual void onHttpFinished() = 0;

protected:
    ~IHttpClientSink() = default;
};

} // namespace utility
