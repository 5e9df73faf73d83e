#pragma once
// The skin's file lookup: the "skin" folder beside the program first, then
// the package unpacked into memory.

#include "skinui/resources.h"
#include "ui/skin/seven_zip.h"

#include <string>

namespace ui {
namespace skin {

enum class FileOrigin { Missing, Disk, Package };

class SkinFiles : public SkinUI::IFileSource {
public:
    static SkinFiles& instance();

    // With a trailing backslash; empty when there is no such folder.
    void setResourceFolder(const std::wstring& folder);
    const std::wstring& resourceFolder() const { return folder_; }

    void setPackage(FileTable files) { package_ = std::move(files); }
    const FileTable& package() const { return package_; }

    // A name with a drive letter is read from the disk only; otherwise the
    // resource folder wins over the package ("\" and "/" both separate).
    FileOrigin find(const std::wstring& name, std::string& bytes) const;

    bool readFile(const std::wstring& name, std::string& bytes) const override
    {
        return find(name, bytes) != FileOrigin::Missing;
    }
    // A picture replaced in the folder takes its variants from the folder
    // only: without them there, it is drawn from itself at every scale.
    bool readVariant(const std::wstring& picture, const std::wstring& variant, std::string& bytes) const override;

private:
    std::wstring folder_;
    FileTable package_;
};

// Whole file from the disk; false when it cannot be opened or read whole.
bool readDiskFile(const std::wstring& path, std::string& bytes);

} // namespace skin
} // namespace ui
