#include "utility/http_client.h"

#include "utility/http_sinks.h"
#include "utility/http_wire.h"
#include "utility/tcp_http_conn.h"
#include "utility/text.h"
#include "utility/url.h"
#include "utility/wininet_http_conn.h"

#include "common/log.h"

#include <climits>
#include <cwctype>
#include <vector>

namespace utility {

namespace {

class ConnectionSource : public http::ByteSource {
public:
    explicit ConnectionSource(IHttpConnection& connection) : connection_(connection) {}
    int read(char* buffer, int size) override { return connection_.read(buffer, size); }

private:
    IHttpConnection& connection_;
};

bool isHttpsUrl(const std::wstring& url)
{
    static const wchar_t kPrefix[] = L"https://";
    if (url.size() < 8) return false;
    for (std::size_t i = 0; i < 8; ++i)
        if (std::towlower(url[i]) != kPrefix[i]) return false;
    return true;
}

// Size of an existing file; 0 when it is missing or unreadable.
std::int64_t existingFileSize(const std::wstring& fileName)
{
    common::UniqueHandle file(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return 0;
    return size.QuadPart;
}

} // namespace

CHttpClientWrapper::CHttpClientWrapper()
    : cancelEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      tcpTimeoutMs_(CTcpHttpConn::kDefaultTimeoutMs),
      proxyRoutes_(&proxy::ProxyRoutes::system())
{
}

CHttpClientWrapper::~CHttpClientWrapper()
{
    closeConnection();
}

CTcpHttpConn* CHttpClientWrapper::makeRawConnection(const std::wstring& url)
{
    const proxy::Plan plan = proxyRoutes_->planFor(url);
    // Only WinInet can answer the proxy's sign-in.
    if (!plan.raw) return nullptr;
    CTcpHttpConn* connection = new CTcpHttpConn(tcpTimeoutMs_);
    connection->setRoutes(plan.routes);
    return connection;
}

IHttpConnection* CHttpClientWrapper::makeConnection(const std::wstring& url)
{
    rawConnection_ = nullptr;
    if (isHttpsUrl(url)) return new CWinInetHttpsConn();
    if (connMode_ == 1 && (rawConnection_ = makeRawConnection(url))) return rawConnection_;
    return new CWinInetHttpConn();
}

void CHttpClientWrapper::noteRawRoute(int status)
{
    const proxy::Route* route = rawConnection_ ? rawConnection_->routeUsed() : nullptr;
    if (!route) return;
    if (status == 407 && !route->direct()) {
        proxyRoutes_->signInRequired(url_);
        proxySignIn_ = true;
        return;
    }
    proxyRoutes_->worked(url_, *route);
}

void CHttpClientWrapper::failWith(int code, DWORD systemError)
{
    lastFailure_ = code;
    if (sink_) sink_->onHttpError(code, static_cast<int>(systemError));
}

bool CHttpClientWrapper::open(const std::wstring& url, IHttpClientSink* sink)
{
    sink_ = sink;
    lastFailure_ = 0;
    proxySignIn_ = false;
    url_ = url;
    closeConnection(); // every attempt starts without one
    if (stopped_.load()) {
        // A stopped client reaches no server.
        failWith(kHttpErrorOpen, ERROR_CANCELLED);
        return false;
    }
    IHttpConnection* connection = makeConnection(url);
    if (!connection->open()) {
        const DWORD error = ::GetLastError();
        connection->release();
        failWith(kHttpErrorOpen, error);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(connectionLock_);
        connection_ = connection;
        // An abort that came before the connection was held still cuts it.
        if (aborted_.load()) connection_->close();
    }
    const UrlParts parts = splitUrl(url);
    host_ = parts.host;
    port_ = parts.port;
    path_ = parts.path;
    return true;
}

bool CHttpClientWrapper::sendAndRecvHeader(std::string& headText, int& status, int& contentLength)
{
    if (!connection_) return false;
    if (!connection_->connect(host_, port_)) {
        failWith(kHttpErrorConnect, ::GetLastError());
        return false;
    }
    if (!connection_->sendRequest(host_, path_, http::buildHeaderText(headers_))) {
        failWith(kHttpErrorSend, ::GetLastError());
        return false;
    }
    headText.clear();
    head_ = HttpResponseHead();
    // An abort during the head (even one that a transport let pass) fails it.
    if (!connection_->recvHeader(headText, status, contentLength) || aborted_.load()) {
        failWith(kHttpErrorHead, ::GetLastError());
        return false;
    }
    noteRawRoute(status);
    readResponseHead(headText, status, contentLength);
    if (sink_ && !sink_->onHttpRecvHeader(status, contentLength)) {
        lastFailure_ = status;
        return false;
    }
    return true;
}

void CHttpClientWrapper::readResponseHead(const std::string& headText, int status, int contentLength)
{
    head_.status = status;
    head_.contentLength = contentLength;
    const std::pair<const char*, std::string*> fields[] = {{"Content-Type", &head_.contentType},
                                                           {"ETag", &head_.etag},
                                                           {"Last-Modified", &head_.lastModified},
                                                           {"Content-Range", &head_.contentRange}};
    for (const auto& field : fields) {
        // The raw transport keeps the head's text; WinInet answers itself.
        const bool found = headText.empty() ? connection_->responseHeader(field.first, *field.second)
                                            : http::findHeader(headText, field.first, *field.second);
        if (!found) field.second->clear();
    }
}

bool CHttpClientWrapper::recvBody(const std::string& headText, int contentLength)
{
    if (!connection_) return false;
    std::vector<char> buffer(http::kBlockSize);
    ConnectionSource source(*connection_);
    http::BodyReader reader(source, headText);
    int left = contentLength;
    for (;;) {
        // Never read past the announced length: nothing behind the body is taken into it.
        const int want = (left > 0 && left < http::kBlockSize) ? left : http::kBlockSize;
        const int got = reader.next(buffer.data(), want);
        if (got < 0 || (got == 0 && left > 0)) break; // a failure, or a body shorter than announced
        if (aborted_.load()) break;                   // the transport may not have noticed the abort
        if (got == 0) {
            if (sink_) sink_->onHttpFinished();
            return true;
        }
        if (sink_ && !sink_->onHttpRecvData(reinterpret_cast<const unsigned char*>(buffer.data()), got)) break;
        if (left > 0) {
            left -= got;
            if (left <= 0) {
                if (sink_) sink_->onHttpFinished();
                return true;
            }
        }
    }
    failWith(kHttpErrorBody, ::GetLastError());
    return false;
}

bool CHttpClientWrapper::perform()
{
    std::string headText;
    int status = 0;
    int contentLength = -1;
    return sendAndRecvHeader(headText, status, contentLength) && recvBody(headText, contentLength);
}

void CHttpClientWrapper::closeConnection()
{
    std::lock_guard<std::mutex> lock(connectionLock_);
    rawConnection_ = nullptr;
    if (!connection_) return;
    connection_->close();
    connection_->release();
    connection_ = nullptr;
}

CHttpClientWrapper::AttemptEnd CHttpClientWrapper::attemptDownload(const std::wstring& url,
                                                                   const std::wstring& fileName,
                                                                   IHttpDownloadSink* progress)
{
    // Checked before the sink exists: a cancelled attempt opens nothing
    // and leaves the file as it is.
    if (cancelled()) return AttemptEnd::Failed;
    using Failure = CHttpDownload2FileSink::Failure;
    bool result = false;
    Failure failure = Failure::None;
    unsigned long writeError = 0;
    {
        CHttpDownload2FileSink sink(fileName, &aborted_, progress, resumeOffset_);
        sink.setResponseHead(&head_);
        if (!sameFileUrls_.empty()) sink.keepRecord(url, continued_, wallClock_);
        result = open(url, &sink) && perform();
        closeConnection();
        sink_ = nullptr;
        failure = sink.failure();
        writeError = sink.writeError();
    }
    if (result) return AttemptEnd::Done;
    switch (failure) {
    case Failure::Refused: return AttemptEnd::Refused;
    case Failure::RangeMismatch: return AttemptEnd::RangeMismatch;
    case Failure::Write: return isDiskFullError(writeError) ? AttemptEnd::DiskFull : AttemptEnd::Failed;
    case Failure::None: break;
    }
    return AttemptEnd::Failed;
}

bool CHttpClientWrapper::downloadFile(const std::wstring& url, const std::wstring& fileName,
                                      IHttpDownloadSink* progress)
{
    const AttemptEnd end = attemptDownload(url, fileName, progress);
    lastEnd_ = end == AttemptEnd::Done       ? DownloadEnd::Done
               : end == AttemptEnd::DiskFull ? DownloadEnd::DiskFull
               : cancelled()                 ? DownloadEnd::Cancelled
               : end == AttemptEnd::Refused  ? DownloadEnd::Refused
                                             : DownloadEnd::Failed;
    endCall(L"download");
    return end == AttemptEnd::Done;
}

void CHttpClientWrapper::clearRange()
{
    resumeOffset_ = 0;
    continued_ = resume::Record();
    headers_.erase(L"Range");
    headers_.erase(L"If-Range");
}

void CHttpClientWrapper::prepareRange(const std::wstring& url, const std::wstring& fileName, bool resume)
{
    clearRange();
    if (sameFileUrls_.empty()) {
        if (!resume) return;
        const std::int64_t size = existingFileSize(fileName);
        if (size > INT_MAX) {
            WRITE_LOG(L"partial file too large to resume: %s", int64ToWide(size).c_str());
            return;
        }
        resumeOffset_ = static_cast<int>(size);
        if (size > 0) headers_[L"Range"] = L"bytes=" + int64ToWide(size) + L"-";
        return;
    }
    // Without resume the record stays until a new answer replaces the file.
    if (!resume) return;
    const std::wstring recordPath = resume::recordPathFor(fileName);
    resume::Record record;
    if (!resume::readRecordFile(recordPath, record)) {
        if (::GetFileAttributesW(recordPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            WRITE_LOG(L"partial download not continued: its record cannot be read");
            dropRange(fileName);
        }
        return;
    }
    const std::int64_t now = wallClock_();
    resume::Verdict verdict = resume::judge(record, existingFileSize(fileName), now, url, sameFileUrls_);
    // The sink's counters are 32-bit.
    if (record.total > INT_MAX) verdict = resume::Verdict::SizeMismatch;
    if (verdict != resume::Verdict::Continue) {
        if (verdict != resume::Verdict::Nothing)
            WRITE_LOG(L"partial download not continued: %s", resume::verdictText(verdict));
        dropRange(fileName);
        return;
    }
    continued_ = record;
    resumeOffset_ = static_cast<int>(record.have);
    headers_[L"Range"] = L"bytes=" + int64ToWide(record.have) + L"-";
    headers_[L"If-Range"] = ansiToWide(resume::validatorOf(record.etag, record.lastModified));
    WRITE_LOG(L"continuing the partial download at byte %s of %s", int64ToWide(record.have).c_str(),
              int64ToWide(record.total).c_str());
}

void CHttpClientWrapper::dropRange(const std::wstring& fileName)
{
    clearRange();
    resume::removeRecordFile(fileName);
}

CHttpClientWrapper::AttemptEnd CHttpClientWrapper::resumableAttempt(const std::wstring& url,
                                                                    const std::wstring& fileName,
                                                                    IHttpDownloadSink* progress, bool resume)
{
    prepareRange(url, fileName, resume);
    AttemptEnd end = attemptDownload(url, fileName, progress);
    if (end == AttemptEnd::RangeMismatch && !cancelled()) {
        WRITE_LOG(L"the answer does not continue the partial download: starting it over");
        dropRange(fileName);
        end = attemptDownload(url, fileName, progress);
    }
    return end;
}

bool CHttpClientWrapper::retryDownload(IHttpDownloadSink* progress, const std::wstring& fileName,
                                       const std::wstring& url, bool resume, int tries)
{
    lastEnd_ = DownloadEnd::Failed;
    if (tries <= 0) return false;
    const int attempts = tries > INT_MAX / 2 ? INT_MAX : tries * 2;
    int made = 0;
    int refused = 0;
    for (int attempt = 0; attempt < attempts && !cancelled(); ++attempt) {
        if (attempt > 0 && !proxySignIn_) {
            pause(1000);
            if (cancelled()) break;
        }
        connMode_ = pinnedMode_ >= 0 ? pinnedMode_ : (attempt < tries ? 1 : 0);
        ++made;
        const AttemptEnd end = resumableAttempt(url, fileName, progress, resume);
        if (end == AttemptEnd::Done) {
            lastEnd_ = DownloadEnd::Done;
            return true;
        }
        // Another attempt would meet the same full disk.
        if (end == AttemptEnd::DiskFull) {
            WRITE_LOG(L"the disk is full: no further attempt");
            lastEnd_ = DownloadEnd::DiskFull;
            return false;
        }
        if (end == AttemptEnd::Refused) ++refused;
    }
    lastEnd_ = cancelled() ? DownloadEnd::Cancelled : (made > 0 && refused == made ? DownloadEnd::Refused : DownloadEnd::Failed);
    return false;
}

bool CHttpClientWrapper::downloadFileWithRetry(IHttpDownloadSink* progress, const std::wstring& fileName,
                                               const std::wstring& url, bool resume, int tries)
{
    const bool result = retryDownload(progress, fileName, url, resume, tries);
    endCall(L"download");
    return result;
}

bool CHttpClientWrapper::attemptGet(const std::wstring& url, IHttpClientSink* sink)
{
    bool result = false;
    if (open(url, sink)) {
        std::string headText;
        int status = 0;
        int contentLength = -1;
        result = sendAndRecvHeader(headText, status, contentLength) && recvBody(headText, contentLength);
    }
    closeConnection();
    sink_ = nullptr;
    return result;
}

bool CHttpClientWrapper::retryGet(std::string& out, const std::wstring& url)
{
    out.clear();
    for (int attempt = 0; attempt < 6 && !cancelled(); ++attempt) {
        if (attempt > 0 && !proxySignIn_) {
            pause(1000);
            if (cancelled()) break;
        }
        connMode_ = 1;
        out.clear();
        CHttpDownload2MemSink sink(&out, &aborted_);
        if (attemptGet(url, &sink)) return true;
    }
    out.clear();
    return false;
}

bool CHttpClientWrapper::getToString(std::string& out, const std::wstring& url)
{
    const bool result = retryGet(out, url);
    endCall(L"request");
    return result;
}

void CHttpClientWrapper::endCall(const wchar_t* what)
{
    bool wasAborted = false;
    {
        std::lock_guard<std::mutex> lock(connectionLock_);
        if (!aborted_.load() || stopped_.load()) return;
        aborted_.store(false);
        ::ResetEvent(cancelEvent_.get());
        wasAborted = true;
    }
    if (wasAborted) WRITE_LOG(L"%s aborted, no further attempt", what);
}

void CHttpClientWrapper::pause(int milliseconds)
{
    if (milliseconds > 0 && !cancelled()) ::WaitForSingleObject(cancelEvent_.get(), static_cast<DWORD>(milliseconds));
}

void CHttpClientWrapper::abort()
{
    std::lock_guard<std::mutex> lock(connectionLock_);
    aborted_.store(true);
    ::SetEvent(cancelEvent_.get());
    if (connection_) connection_->close();
}

void CHttpClientWrapper::stop()
{
    {
        std::lock_guard<std::mutex> lock(connectionLock_);
        stopped_.store(true);
        aborted_.store(true);
        ::SetEvent(cancelEvent_.get());
    }
    ::Sleep(10);
    std::lock_guard<std::mutex> lock(connectionLock_);
    if (connection_) connection_->close();
}

} // namespace utility
