#pragma once
// The two sinks of the client: a file with progress reports, and memory.

#include "common/unique_handle.h"
#include "utility/http_client.h"
#include "utility/http_client_sink.h"

#include <atomic>
#include <string>

namespace utility {

class CHttpDownload2FileSink : public IHttpClientSink {
public:
    // progress is required. A resumeOffset above 0 appends to the partial
    // file when the server answers 206; any other 2xx starts it over. While
    // stopFlag is set the file is neither created nor written.
    CHttpDownload2FileSink(const std::wstring& fileName, const std::atomic<bool>* stopFlag,
                           CHttpClientWrapper::IHttpDownloadSink* progress, int resumeOffset);
    ~CHttpDownload2FileSink() = default;

    void onHttpError(int code, int systemError) override;
    bool onHttpRecvHeader(int status, int contentLength) override;
    bool onHttpRecvData(const unsigned char* data, int size) override;
    void onHttpFinished() override;

    int received() const { return received_; }
    int total() const { return total_; }

private:
    common::UniqueHandle file_;
    std::wstring fileName_;
    const std::atomic<bool>* stopFlag_;
    CHttpClientWrapper::IHttpDownloadSink* progress_;
    int received_ = 0;
    int total_ = 0;
    int resumeOffset_;
};

// Service answers: at most kMaxBytes are held, whether the length is
// announced or only reached while reading; more fails the transfer.
class CHttpDownload2MemSink : public IHttpClientSink {
public:
    static constexpr int kMaxBytes = 1 << 20;

    CHttpDownload2MemSink(std::string* target, const std::atomic<bool>* stopFlag)
        : target_(target), stopFlag_(stopFlag)
    {
    }
    ~CHttpDownload2MemSink() = default;

    void onHttpError(int code, int systemError) override;
    bool onHttpRecvHeader(int status, int contentLength) override;
    bool onHttpRecvData(const unsigned char* data, int size) override;
    void onHttpFinished() override {}

private:
    std::string* target_;
    const std::atomic<bool>* stopFlag_;
};

} // namespace utility
