#include "model/disk.h"

#include "common/log.h"
#include "model/drive_queries.h"
#include "utility/text.h"

#include <cwctype>
#include <vector>

namespace helper {
namespace disk {

namespace {

constexpr double kBytesPerMiB = 1048576.0;
constexpr int kSsdPreferredMiB = 30720;
constexpr double kSsdFactor = 1000.0;
// The drive list may change between asking for its length and reading it.
constexpr int kDriveListTries = 3;
constexpr DWORD kMaxDriveListUnits = 32768;

std::wstring rootOf(const std::wstring& path) { return path.substr(0, 3); }
std::wstring driveNameOf(const std::wstring& root) { return root.substr(0, 2); }

bool fetchDriveStrings(std::vector<wchar_t>& buffer, DWORD& used)
{
    const DriveQueries& drives = driveQueries();
    DWORD needed = drives.logicalDriveStrings(0, nullptr);
    for (int attempt = 0; attempt < kDriveListTries; ++attempt) {
        if (needed == 0 || needed > kMaxDriveListUnits) return false;
        // One spare zero unit, never handed to the call, ends the list in
        // every case.
        buffer.assign(needed + 1, L'\0');
        used = drives.logicalDriveStrings(needed, buffer.data());
        if (used == 0) return false;
        if (used < needed) return true;
        needed = used + 1; // grew meanwhile: ask again with the new length
    }
    return false;
}

bool isReservedCharacter(wchar_t c)
{
    switch (c) {
    case L'/':
    case L':':
    case L'*':
    case L'?':
    case L'"':
    case L'<':
    case L'>':
    case L'|': return true;
    default: return false;
    }
}

void replaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at))
        text.replace(at, from.size(), to);
}

} // namespace

std::list<std::wstring> listCandidateDrives()
{
    std::list<std::wstring> roots;
    std::vector<wchar_t> buffer;
    DWORD used = 0;
    if (!fetchDriveStrings(buffer, used)) return roots;
    const DriveQueries& drives = driveQueries();
    std::size_t at = 0;
    while (at < used && buffer[at] != L'\0') {
        const std::wstring root(&buffer[at]); // the spare unit bounds it
        at += root.size() + 1;
        if (drives.driveType(root) != DRIVE_FIXED) continue;
        if (isHotplugDevice(driveNameOf(root))) continue;
        roots.push_back(root);
    }
    return roots;
}

bool isHotplugDevice(const std::wstring& driveName)
{
    const HotplugAnswer answer = driveQueries().queryHotplug(driveName);
    if (!answer.opened) return false;
    return !(answer.answered && !answer.mediaRemovable && !answer.deviceHotplug);
}

bool isSSD(const std::wstring& driveName)
{
    const TrimAnswer answer = driveQueries().queryTrim(driveName);
    if (!answer.opened) return false;
    if (answer.trimEnabled) {
        WRITE_LOG(L"It is suport trim");
        return true;
    }
    WRITE_LOG(L"It is not suport trim");
    return false;
}

double CalcAvaliableSpace(const std::wstring& root)
{
    const DriveQueries& drives = driveQueries();
    std::uint64_t available = 0;
    if (!drives.freeBytes(rootOf(root), available)) return 0;
    std::wstring fileSystem;
    if (drives.fileSystemName(root, fileSystem) && fileSystem != L"FAT32" && fileSystem != L"NTFS") return 0;
    const double mib = static_cast<double>(available) / kBytesPerMiB;
    if (isSSD(driveNameOf(root)) && static_cast<int>(mib) > kSsdPreferredMiB) {
        WRITE_LOG(L"path %s is SSD ", root.c_str());
        return mib * kSsdFactor;
    }
    return mib;
}

std::wstring maxFreeSpaceDrive()
{
    double best = 0;
    std::wstring result;
    for (const std::wstring& root : listCandidateDrives()) {
        const double score = CalcAvaliableSpace(root);
        if (score > best) {
            best = score;
            result = root;
        }
    }
    return result;
}

std::wstring normalizePath(const std::wstring& path)
{
    std::wstring text = path;
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
        if (c == L'/') c = L'\\';
    }
    replaceAll(text, L"\\\\", L"\\");
    const std::size_t first = text.find_first_not_of(L'\\');
    if (first == std::wstring::npos) return std::wstring();
    const std::size_t last = text.find_last_not_of(L'\\');
    return text.substr(first, last - first + 1);
}

bool isValidInstallPath(const std::wstring& path)
{
    std::wstring text = normalizePath(path);
    utility::trimBlanks(text);
    if (text.size() < 3) return false;
    std::uint64_t available = 0;
    if (!driveQueries().freeBytes(rootOf(text), available) || available == 0) return false;
    std::wstring rest = text.substr(3);
    utility::trimBlanks(rest);
    for (wchar_t c : rest)
        if (isReservedCharacter(c)) return false;
    // Every folder name before a separator needs more than blanks; the last
    // name is not examined.
    std::size_t begin = 0;
    for (std::size_t end = rest.find(L'\\'); end != std::wstring::npos; end = rest.find(L'\\', begin)) {
        std::wstring name = rest.substr(begin, end - begin);
        utility::trimBlanks(name);
        if (name.empty()) return false;
        begin = end + 1;
    }
    return true;
}

double freeSpaceMB(const std::wstring& path)
{
    std::uint64_t available = 0;
    if (!driveQueries().freeBytes(rootOf(path), available)) return 0;
    return static_cast<double>(available) / kBytesPerMiB;
}

} // namespace disk
} // namespace helper
