#pragma once
// The one HTTP client of the installer: a fresh connection per attempt over
// the raw TCP transport or WinInet, a sink per transfer, retries with
// resumption for downloads. Driven by one worker thread; any other thread
// may only stop or abort it.

#include "common/unique_handle.h"
#include "utility/http_client_sink.h"
#include "utility/http_connection.h"
#include "utility/proxy_routes.h"
#include "utility/resume_record.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace utility {

class CTcpHttpConn;

// Error codes handed to IHttpClientSink::onHttpError.
enum HttpErrorCode {
    kHttpErrorOpen = 10,
    kHttpErrorConnect = 12,
    kHttpErrorSend = 16,
    kHttpErrorHead = 17,
    kHttpErrorBody = 19,
};

class CHttpClientWrapper {
public:
    // The caller's progress receiver for file downloads.
    class IHttpDownloadSink {
    public:
        // Before each block is written; false cancels the download.
        virtual bool onDownloadProgress(const unsigned char* data, int size, int received, int total) = 0;
        // Once, when the body is complete; the result is not used.
        virtual bool onDownloadFinished() = 0;
        // A 2xx head arrived, before the file is touched; false refuses the
        // answer (the attempt fails and nothing is written).
        virtual bool onDownloadHead(const HttpResponseHead& head)
        {
            static_cast<void>(head);
            return true;
        }

    protected:
        ~IHttpDownloadSink() = default;
    };

    // How the last download call ended.
    enum class DownloadEnd {
        Done,
        Failed,    // the network or the server
        Refused,   // every attempt's answer was refused by the progress sink
        DiskFull,  // a write found no room: no further attempt was made
        Cancelled, // abort or stop
    };

    CHttpClientWrapper();
    ~CHttpClientWrapper();
    CHttpClientWrapper(const CHttpClientWrapper&) = delete;
    CHttpClientWrapper& operator=(const CHttpClientWrapper&) = delete;

    // The steps of one attempt, for callers with attempt loops of their
    // own: open fails once stopped, and a pending abort cuts the connection
    // it opens (only the calls below use an abort up).
    bool open(const std::wstring& url, IHttpClientSink* sink);
    bool sendAndRecvHeader(std::string& headText, int& status, int& contentLength);
    bool recvBody(const std::string& headText, int contentLength);
    bool perform();
    void closeConnection();

    // One attempt.
    bool downloadFile(const std::wstring& url, const std::wstring& fileName, IHttpDownloadSink* progress);
    // tries attempts over the raw transport, then tries over WinInet.
    bool downloadFileWithRetry(IHttpDownloadSink* progress, const std::wstring& fileName, const std::wstring& url,
                               bool resume, int tries);
    bool getToString(std::string& out, const std::wstring& url);

    // 1: plain http over the raw TCP transport; anything else: WinInet.
    void setConnMode(int mode) { connMode_ = mode; }
    int connMode() const { return connMode_; }
    void setHeader(const std::wstring& name, const std::wstring& value) { headers_[name] = value; }
    void removeHeader(const std::wstring& name) { headers_.erase(name); }
    const std::map<std::wstring, std::wstring>& headers() const { return headers_; }

    // Waits up to the given time; an abort or a stop ends the wait at once.
    void pause(int milliseconds);
    bool isStopped() const { return stopped_.load(); }
    // Why the last attempt failed: its error code, or the refused status
    // when the sink refused the head; 0 after a success.
    int lastFailure() const { return lastFailure_; }
    // Any thread: ends the call in progress (downloadFile,
    // downloadFileWithRetry, getToString) whichever step it is in, attempt
    // or pause, with no further attempt; with no call in progress, the next
    // call. The call it ends consumes it; the calls after run normally.
    void abort();
    // Any thread: as abort, for this call and every later one. A stopped
    // client opens no connection and leaves the target file untouched.
    void stop();

    DownloadEnd lastDownloadEnd() const { return lastEnd_; }
    // The head of the last answer, as far as it came.
    const HttpResponseHead& responseHead() const { return head_; }

    // Downloads keep a record beside their file (resume::recordPathFor) in
    // step with what is on disk, and a call with resume continues a partial
    // only where its record vouches for it: Range with If-Range, a 206 that
    // fits, else the file starts over in the same attempt. sameFileUrls name
    // the addresses that serve the same file. Empty (the default): no
    // records; resume continues any partial from its size.
    void resumeWithRecords(std::vector<std::wstring> sameFileUrls) { sameFileUrls_ = std::move(sameFileUrls); }
    // Seconds since 1970 that date the records; tests move the clock.
    void setWallClock(std::function<std::int64_t()> clock)
    {
        wallClock_ = clock ? std::move(clock) : resume::systemSeconds;
    }

    // The raw transport's connect and silence limit; tests shorten it.
    void setTcpTimeout(int milliseconds) { tcpTimeoutMs_ = milliseconds; }
    // When set, pins every attempt of downloadFileWithRetry to one mode.
    void pinConnMode(int mode) { pinnedMode_ = mode; }
    // Where the raw transport finds its proxy; the system's by default.
    void setProxyRoutes(proxy::ProxyRoutes* routes) { proxyRoutes_ = routes; }

private:
    enum class AttemptEnd { Done, Failed, Refused, RangeMismatch, DiskFull };

    CTcpHttpConn* makeRawConnection(const std::wstring& url);
    IHttpConnection* makeConnection(const std::wstring& url);
    // After a raw response head: keeps the route that worked, or hands the
    // address to WinInet when the proxy asked for a sign-in.
    void noteRawRoute(int status);
    void failWith(int code, DWORD systemError);
    void readResponseHead(const std::string& headText, int status, int contentLength);
    AttemptEnd attemptDownload(const std::wstring& url, const std::wstring& fileName, IHttpDownloadSink* progress);
    // One attempt of a retry loop: the range to ask for, then the transfer,
    // once more from zero when the answer does not continue the partial.
    AttemptEnd resumableAttempt(const std::wstring& url, const std::wstring& fileName, IHttpDownloadSink* progress,
                                bool resume);
    void prepareRange(const std::wstring& url, const std::wstring& fileName, bool resume);
    void dropRange(const std::wstring& fileName);
    void clearRange();
    bool retryDownload(IHttpDownloadSink* progress, const std::wstring& fileName, const std::wstring& url, bool resume,
                       int tries);
    bool retryGet(std::string& out, const std::wstring& url);
    bool attemptGet(const std::wstring& url, IHttpClientSink* sink);
    // Whether an abort or a stop asks the call in progress to end.
    bool cancelled() const { return aborted_.load(); }
    // Every public call ends here: an abort is used up, a stop stays.
    void endCall(const wchar_t* what);

    std::wstring host_;
    std::uint16_t port_ = 0;
    std::wstring path_;
    std::map<std::wstring, std::wstring> headers_;
    // Replaced and freed only by the worker, under the lock; stop and abort
    // close it under the same lock, so it is never freed under them. The
    // lock also keeps aborted_ and the cancel event in step.
    IHttpConnection* connection_ = nullptr;
    std::mutex connectionLock_;
    IHttpClientSink* sink_ = nullptr;
    int connMode_ = 0;
    int pinnedMode_ = -1;
    // Manual-reset, signalled while aborted_ is set: every pause watches it,
    // so a cancel never waits for a pause to run out.
    common::UniqueHandle cancelEvent_;
    std::atomic<bool> stopped_{false};
    int resumeOffset_ = 0;
    // Set by abort and stop, cleared (with the event, under the lock) only
    // by endCall and never once stopped. The sinks watch it before each
    // head and block.
    std::atomic<bool> aborted_{false};
    int tcpTimeoutMs_;
    int lastFailure_ = 0;
    proxy::ProxyRoutes* proxyRoutes_;
    // The current connection when it is the raw transport (worker only).
    CTcpHttpConn* rawConnection_ = nullptr;
    std::wstring url_;
    // The last attempt ended at a proxy's sign-in: the next one, over
    // WinInet, needs no pause.
    bool proxySignIn_ = false;
    HttpResponseHead head_;
    DownloadEnd lastEnd_ = DownloadEnd::Failed;
    std::vector<std::wstring> sameFileUrls_;
    std::function<std::int64_t()> wallClock_ = resume::systemSeconds;
    // The record that vouched for the partial being continued.
    resume::Record continued_;
};

} // namespace utility
