// The emulator's full installer lying beside this program (fetched on
// another machine, shared in a folder, handed over on a stick) is used
// instead of a download when it passes the checks a download passes. No
// other folder is searched.

#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "common/unique_handle.h"
#include "utility/file.h"
#include "utility/resume_record.h"
#include "utility/text.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace {

constexpr DWORD kCopyBlock = 256 * 1024;

} // namespace

VPDownloaderModel::CopyFailure VPDownloaderModel::_copyFile(const std::wstring& from, const std::wstring& to)
{
    const auto failed = [](const wchar_t* what) { return CopyFailure{what, ::GetLastError()}; };
    common::UniqueHandle source(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return failed(L"cannot be opened");
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(source.get(), &size)) return failed(L"size unknown");
    // Progress and the installer's own limits are 32-bit.
    if (size.QuadPart <= 0 || size.QuadPart >= INT_MAX) return CopyFailure{L"size out of range", 0};
    const int total = static_cast<int>(size.QuadPart);
    common::UniqueHandle target(
        ::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return failed(L"the install folder cannot be written");
    std::vector<unsigned char> block(kCopyBlock);
    int copied = 0;
    while (copied < total) {
        // The shutdown stops the download clients; the copy ends with them.
        if (mainClient.isStopped()) return CopyFailure{L"stopped", ERROR_CANCELLED};
        DWORD got = 0;
        if (!::ReadFile(source.get(), block.data(), kCopyBlock, &got, nullptr)) return failed(L"read failed");
        if (got == 0 || static_cast<int>(got) > total - copied) return CopyFailure{L"its size changed", 0};
        DWORD written = 0;
        if (!::WriteFile(target.get(), block.data(), got, &written, nullptr) || written != got)
            return failed(L"write failed");
        copied += static_cast<int>(got);
        onDownloadProgress(block.data(), static_cast<int>(got), copied, total);
    }
    return CopyFailure{};
}

bool VPDownloaderModel::_useCopyBeside(const std::wstring& target)
{
    const std::wstring self = utility::ufile::modulePath();
    const std::wstring folder = utility::ufile::parentFolder(self);
    if (folder.empty()) return false;
    const std::wstring copy = folder + L"rizodi.exe";
    const DWORD attributes = ::GetFileAttributesW(copy.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // This program itself under that name would only start itself again.
    if (utility::lowered(copy) == utility::lowered(self)) return false;
    WRITE_LOG(L"copy beside the installer: %s", copy.c_str());
    // Nothing vouches for a file found on a stick but its signature.
    if (acceptedPublishers.empty()) {
        WRITE_LOG(L"copy beside the installer not used: this build accepts no publisher");
        return false;
    }
    // Checked where it lies first: a copy that fails leaves a partial
    // download and its record as they were, for the download to continue.
    if (!_fileAccepted(copy)) {
        WRITE_LOG(L"copy beside the installer not used: it fails the checks of a download");
        return false;
    }
    const std::wstring temporary = target + L".tmp";
    utility::resume::removeRecordFile(temporary);
    const CopyFailure failure = _copyFile(copy, temporary);
    if (failure.what) {
        WRITE_LOG(L"copy beside the installer not used: %s, error = %d", failure.what, static_cast<int>(failure.error));
        utility::ufile::removeFile(temporary);
        lastProgressTick = 0;
        return false;
    }
    // The copy in the install folder is what runs: that is the file checked.
    if (!_fileAccepted(temporary)) {
        WRITE_LOG(L"copy beside the installer not used: it changed while it was copied");
        utility::ufile::removeFile(temporary);
        lastProgressTick = 0;
        return false;
    }
    onDownloadFinished();
    WRITE_LOG(L"installer taken from the copy beside the installer");
    return _placeDownload(target);
}
