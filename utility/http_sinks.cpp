#include "utility/http_sinks.h"

#include "common/log.h"

#include <windows.h>

#include <climits>

namespace utility {

CHttpDownload2FileSink::CHttpDownload2FileSink(const std::wstring& fileName, const std::atomic<bool>* stopFlag,
                                               CHttpClientWrapper::IHttpDownloadSink* progress, int resumeOffset)
    : fileName_(fileName), stopFlag_(stopFlag), progress_(progress), resumeOffset_(resumeOffset)
{
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
        return false;
    }
    // Cancelled between the head and here: the partial file stays as it is.
    if (stopFlag_ && stopFlag_->load()) return false;
    total_ = contentLength;
    received_ = 0;

    // Only a 206 continues the partial file; a full answer (or one whose
    // redirect dropped the Range) would corrupt it if appended.
    if (resumeOffset_ > 0 && status == 206) {
        if (contentLength > INT_MAX - resumeOffset_) {
            WRITE_LOG(L"resumed size too large: offset %d, length %d", resumeOffset_, contentLength);
            return false;
        }
        received_ = resumeOffset_;
        total_ = contentLength + resumeOffset_;
        file_.reset(::CreateFileW(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_ || ::SetFilePointer(file_.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
            const DWORD error = ::GetLastError();
            file_.reset();
            WRITE_LOG(L"downloader error open file error: lasterror %d", static_cast<int>(error));
            return false;
        }
        return true;
    }
    if (resumeOffset_ > 0) WRITE_LOG(L"range not honoured, status %d: starting the file over", status);

    file_.reset(::CreateFileW(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        WRITE_LOG(L"create file error; filename %s lasterror:%d", fileName_.c_str(), static_cast<int>(::GetLastError()));
        return false;
    }
    return true;
}

bool CHttpDownload2FileSink::onHttpRecvData(const unsigned char* data, int size)
{
    if (stopFlag_ && stopFlag_->load()) return false;
    if (!file_ || !progress_ || size < 0 || size > INT_MAX - received_) return false;
    received_ += size;
    if (!progress_->onDownloadProgress(data, size, received_, total_)) return false;
    DWORD written = 0;
    return ::WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
           written == static_cast<DWORD>(size);
}

void CHttpDownload2FileSink::onHttpFinished()
{
    WRITE_LOG(L"http finish, recv = %d, total = %d", received_, total_);
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
