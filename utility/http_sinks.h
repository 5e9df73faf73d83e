#pragma once
// The two sinks of the client: a file with progress reports, and memory.

#include "common/unique_handle.h"
#include "utility/http_client.h"
#include "utility/http_client_sink.h"
#include "utility/resume_record.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace utility {

// The write of every block; tests put a disk that runs full in its place.
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
// nullptr restores the system's own.
void setWriteFileForTesting(WriteFileFn write);
// Whether a system error says the disk has no room left.
bool isDiskFullError(unsigned long systemError);

class CHttpDownload2FileSink : public IHttpClientSink {
public:
    // Why the transfer failed on this side.
    enum class Failure {
        None,
        Refused,       // the progress sink refused the head or a block
        RangeMismatch, // a ranged request got an answer that does not continue the partial
        Write,         // the file could not be written (writeError says why)
    };

    // progress is required. A resumeOffset above 0 appends to the partial
    // file when the server answers 206; any other 2xx starts it over. While
    // stopFlag is set the file is neither created nor written.
    CHttpDownload2FileSink(const std::wstring& fileName, const std::atomic<bool>* stopFlag,
                           CHttpClientWrapper::IHttpDownloadSink* progress, int resumeOffset);
    // Flushes the file and brings its record up to date.
    ~CHttpDownload2FileSink();
    CHttpDownload2FileSink(const CHttpDownload2FileSink&) = delete;
    CHttpDownload2FileSink& operator=(const CHttpDownload2FileSink&) = delete;

    // The attempt's head beyond status and length; read when the head arrives.
    void setResponseHead(const HttpResponseHead* head) { head_ = head; }
    // Keeps a record beside the file in step with what is on disk. When
    // continuing (resumeOffset above 0), continued is the record that vouched
    // for the partial and a 206 must fit it; clock dates the record.
    void keepRecord(const std::wstring& url, const resume::Record& continued, std::function<std::int64_t()> clock);

    void onHttpError(int code, int systemError) override;
    bool onHttpRecvHeader(int status, int contentLength) override;
    bool onHttpRecvData(const unsigned char* data, int size) override;
    void onHttpFinished() override;

    int received() const { return received_; }
    int total() const { return total_; }
    Failure failure() const { return failure_; }
    unsigned long writeError() const { return writeError_; }

private:
    // The partial opened at the offset; false with the system's error.
    bool openForAppend();
    bool beginRecord(bool continuing, int contentLength);
    // Flushes the file, then writes the record; false when a flush fails.
    bool saveProgress();
    // The record as of the bytes written so far.
    bool writeRecord();
    bool writeFailed(const wchar_t* what);

    common::UniqueHandle file_;
    std::wstring fileName_;
    const std::atomic<bool>* stopFlag_;
    CHttpClientWrapper::IHttpDownloadSink* progress_;
    int received_ = 0;
    int total_ = 0;
    int resumeOffset_;
    const HttpResponseHead* head_ = nullptr;
    Failure failure_ = Failure::None;
    unsigned long writeError_ = 0;

    // The record, when kept: written at the head, then after each step.
    bool keepRecord_ = false;
    bool recording_ = false;
    std::wstring url_;
    resume::Record record_;
    std::function<std::int64_t()> clock_;
    std::int64_t written_ = 0;
    std::int64_t savedHave_ = 0;
    DWORD savedTick_ = 0;
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
