#include "ui/skin/skin_files.h"

#include "common/unique_handle.h"

#include <windows.h>

namespace ui {
namespace skin {

namespace {

// Nothing the skin holds comes near this; a larger file is not read.
const DWORD kMaxDiskFile = 64u << 20;

} // namespace

bool readDiskFile(const std::wstring& path, std::string& bytes)
{
    bytes.clear();
    common::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size > kMaxDiskFile) return false;
    bytes.resize(size);
    DWORD read = 0;
    if (size > 0 && (!::ReadFile(file.get(), &bytes[0], size, &read, nullptr) || read != size)) {
        bytes.clear();
        return false;
    }
    return true;
}

SkinFiles& SkinFiles::instance()
{
    static SkinFiles files;
    return files;
}

void SkinFiles::setResourceFolder(const std::wstring& folder)
{
    folder_ = folder;
    if (!folder_.empty() && folder_.back() != L'\\' && folder_.back() != L'/') folder_.push_back(L'\\');
}

FileOrigin SkinFiles::find(const std::wstring& name, std::string& bytes) const
{
    bytes.clear();
    if (name.empty()) return FileOrigin::Missing;
    if (name.size() >= 2 && name[1] == L':') return readDiskFile(name, bytes) ? FileOrigin::Disk : FileOrigin::Missing;
    if (!folder_.empty() && readDiskFile(folder_ + name, bytes)) return FileOrigin::Disk;
    std::wstring key = name;
    for (wchar_t& c : key)
        if (c == L'\\') c = L'/';
    const auto it = package_.find(key);
    if (it == package_.end()) return FileOrigin::Missing;
    bytes = it->second;
    return FileOrigin::Package;
}

bool SkinFiles::readVariant(const std::wstring& picture, const std::wstring& variant, std::string& bytes) const
{
    const bool absolute = picture.size() >= 2 && picture[1] == L':';
    const bool replaced =
        !absolute && !folder_.empty() && ::GetFileAttributesW((folder_ + picture).c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!replaced) return find(variant, bytes) != FileOrigin::Missing;
    bytes.clear();
    return readDiskFile(folder_ + variant, bytes);
}

} // namespace skin
} // namespace ui
