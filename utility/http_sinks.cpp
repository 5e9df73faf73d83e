#include "utility/http_sinks.h"

#include "common/log.h"
#include "utility/text.h"

#include <windows.h>

#include <climits>

namespace utility {

namespace {

std::atomic<WriteFileFn> g_writeFile{nullptr};

// The record follows the file after this many bytes or this long, so a
// power cut costs at most that much of the download.
constexpr std::int64_t kRecordStepBytes = 1024 * 1024;
constexpr DWORD kRecordStepMs = 1000;

// Writes the block, on after a short write (a disk running full under
// Wine answers one, then fails the next); done counts what reached the file.
bool writeAll(HANDLE file, const unsigned char* data, int size, std::int64_t& done)
{
    const WriteFileFn write = g_writeFile.load();
    DWORD left = static_cast<DWORD>(size);
    while (left > 0) {
        DWORD written = 0;
        if (!(write ? write : &::WriteFile)(file, data, left, &written, nullptr)) return false;
        done += written;
        if (written == 0) {
            // Nothing taken and no error: the file cannot grow.
            ::SetLastError(ERROR_HANDLE_DISK_FULL);
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

void setWriteFileForTesting(WriteFileFn write) { g_writeFile.store(write); }

bool isDiskFullError(unsigned long systemError)
{
    return systemError == ERROR_DISK_FULL || systemError == ERROR_HANDLE_DISK_FULL;
}

CHttpDownload2FileSink::CHttpDownload2FileSink(const std::wstring& fileName, const std::atomic<bool>* stopFlag,
                                               CHttpClientWrapper::IHttpDownloadSink* progress, int resumeOffset)
    : fileName_(fileName), stopFlag_(stopFlag), progress_(progress), resumeOffset_(resumeOffset)
{
}

CHttpDownload2FileSink::~CHttpDownload2FileSink()
{
    if (file_ && recording_ && written_ != savedHave_) saveProgress();
}

void CHttpDownload2FileSink::keepRecord(const std::wstring& url, const resume::Record& continued,
                                        std::function<std::int64_t()> clock)
{
    keepRecord_ = true;
    url_ = url;
    record_ = continued;
    clock_ = clock ? std::move(clock) : resume::systemSeconds;
}

void CHttpDownload2FileSink::onHttpError(int code, int systemError)
{
    WRITE_LOG(L"CHttpDownload2FileSink code %d, error = %d", code, systemError);
}

bool CHttpDownload2FileSink::onHttpRecvHeader(int status, int contentLength)
{
    WRITE_LOG(L"onHttpRecvHeader status %d, total %d", status, contentLength);
    if (status < 200 || status > 299) {
        WRITE_LOG(L"onHttpRecvHeader error");
        // The partial is past the server's end: it cannot be continued.
        if (status == 416 && resumeOffset_ > 0) failure_ = Failure::RangeMismatch;
        return false;
    }
    // Cancelled between the head and here: the partial file stays as it is.
    if (stopFlag_ && stopFlag_->load()) return false;
    static const HttpResponseHead kNoHead;
    const HttpResponseHead& head = head_ ? *head_ : kNoHead;
    // Asked before the file is touched: a refused answer leaves the partial as it was.
    if (!progress_->onDownloadHead(head)) {
        failure_ = Failure::Refused;
        return false;
    }
    total_ = contentLength;
    received_ = 0;

    // Only a 206 continues the partial file; a full answer (or one whose
    // redirect dropped the Range) would corrupt it if appended.
    if (resumeOffset_ > 0 && status == 206) {
        if (keepRecord_ &&
            !resume::rangeFits(head.contentRange, head.etag, head.lastModified, record_, resumeOffset_)) {
            WRITE_LOG(L"range answer does not fit the partial file: Content-Range \"%s\"",
                      utf8ToWide(head.contentRange.substr(0, 100)).c_str());
            failure_ = Failure::RangeMismatch;
            return false;
        }
        if (contentLength > INT_MAX - resumeOffset_) {
            WRITE_LOG(L"resumed size too large: offset %d, length %d", resumeOffset_, contentLength);
            return false;
        }
        received_ = resumeOffset_;
        total_ = contentLength + resumeOffset_;
        if (!openForAppend()) {
            WRITE_LOG(L"downloader error open file error: lasterror %d", static_cast<int>(::GetLastError()));
            return false;
        }
        written_ = savedHave_ = resumeOffset_;
        return beginRecord(true, contentLength);
    }
    if (resumeOffset_ > 0) WRITE_LOG(L"range not honoured, status %d: starting the file over", status);
    file_.reset(::CreateFileW(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        WRITE_LOG(L"create file error; filename %s lasterror:%d", fileName_.c_str(), static_cast<int>(::GetLastError()));
        return false;
    }
    written_ = savedHave_ = 0;
    return beginRecord(false, contentLength);
}

bool CHttpDownload2FileSink::openForAppend()
{
    file_.reset(::CreateFileW(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    // From the offset on: bytes beyond what the record vouches for are not kept.
    LARGE_INTEGER at = {};
    at.QuadPart = resumeOffset_;
    const bool placed = keepRecord_
                            ? ::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file_.get())
                            : ::SetFilePointer(file_.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
    if (placed) return true;
    const DWORD error = ::GetLastError();
    file_.reset();
    ::SetLastError(error);
    return false;
}

bool CHttpDownload2FileSink::beginRecord(bool continuing, int contentLength)
{
    if (!keepRecord_) return true;
    const std::wstring path = resume::recordPathFor(fileName_);
    if (!continuing) {
        // A new file: a record only when the server lets it be continued.
        const HttpResponseHead* head = head_;
        record_ = resume::Record();
        record_.url = url_;
        record_.total = contentLength;
        if (head && !resume::validatorOf(head->etag, head->lastModified).empty()) {
            if (resume::sendableValue(head->etag)) record_.etag = head->etag;
            if (resume::sendableValue(head->lastModified)) record_.lastModified = head->lastModified;
        }
        if (contentLength <= 0 || resume::validatorOf(record_.etag, record_.lastModified).empty()) {
            // The old record would vouch for bytes that are about to go.
            if (::DeleteFileW(path.c_str()))
                WRITE_LOG(L"no validator or length from the server: this download cannot be continued later");
            return true;
        }
    }
    recording_ = true;
    return writeRecord();
}

bool CHttpDownload2FileSink::saveProgress()
{
    if (!::FlushFileBuffers(file_.get())) return writeFailed(L"flush");
    return writeRecord();
}

bool CHttpDownload2FileSink::writeRecord()
{
    savedTick_ = ::GetTickCount();
    record_.have = written_;
    record_.savedAt = clock_();
    if (!resume::writeRecordFile(resume::recordPathFor(fileName_), record_)) return writeFailed(L"resume record");
    savedHave_ = written_;
    return true;
}

bool CHttpDownload2FileSink::writeFailed(const wchar_t* what)
{
    writeError_ = ::GetLastError();
    failure_ = Failure::Write;
    WRITE_LOG(L"%s failed, file %s error = %d", what, fileName_.c_str(), static_cast<int>(writeError_));
    return false;
}

bool CHttpDownload2FileSink::onHttpRecvData(const unsigned char* data, int size)
{
    if (stopFlag_ && stopFlag_->load()) return false;
    if (!file_ || !progress_ || size < 0 || size > INT_MAX - received_) return false;
    received_ += size;
    if (!progress_->onDownloadProgress(data, size, received_, total_)) {
        failure_ = Failure::Refused;
        return false;
    }
    if (!writeAll(file_.get(), data, size, written_)) return writeFailed(L"write");
    if (recording_ && (written_ - savedHave_ >= kRecordStepBytes || ::GetTickCount() - savedTick_ >= kRecordStepMs))
        return saveProgress();
    return true;
}

void CHttpDownload2FileSink::onHttpFinished()
{
    WRITE_LOG(L"http finish, recv = %d, total = %d", received_, total_);
    if (file_ && recording_) saveProgress();
    if (progress_) progress_->onDownloadFinished();
    file_.reset();
}

void CHttpDownload2MemSink::onHttpError(int code, int systemError)
{
    WRITE_LOG(L"CHttpDownload2MemSink code %d, error = %d", code, systemError);
}

bool CHttpDownload2MemSink::onHttpRecvHeader(int status, int contentLength)
{
    if (status < 200 || status > 299) {
        WRITE_LOG(L"onHttpRecvHeader status %d", status);
        return false;
    }
    if (contentLength > kMaxBytes) {
        WRITE_LOG(L"answer too large: %d bytes announced, at most %d", contentLength, kMaxBytes);
        return false;
    }
    return !(stopFlag_ && stopFlag_->load());
}

bool CHttpDownload2MemSink::onHttpRecvData(const unsigned char* data, int size)
{
    if (stopFlag_ && stopFlag_->load()) return false;
    if (!target_ || size < 0) return false;
    if (target_->size() > static_cast<std::size_t>(kMaxBytes) ||
        static_cast<std::size_t>(size) > static_cast<std::size_t>(kMaxBytes) - target_->size()) {
        WRITE_LOG(L"answer too large: more than %d bytes", kMaxBytes);
        return false;
    }
    target_->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    return true;
}

} // namespace utility
