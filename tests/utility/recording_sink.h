#pragma once
// An HTTP sink that records one transfer's calls as text and its body.

#include "utility/http_client_sink.h"

#include <string>

namespace testing_support {

class RecordingSink : public utility::IHttpClientSink {
public:
    void onHttpError(int code, int) override { events += "error " + std::to_string(code) + ";"; }
    bool onHttpRecvHeader(int status, int length) override
    {
        events += "head " + std::to_string(status) + " " + std::to_string(length) + ";";
        return true;
    }
    bool onHttpRecvData(const unsigned char* data, int size) override
    {
        body.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
        return true;
    }
    void onHttpFinished() override { events += "finished;"; }

    std::string events;
    std::string body;
};

} // namespace testing_support
