#include "ui/skin/skin_setup.h"

#include "common/log.h"
#include "skinui/multi_language.h"
#include "utility/file.h"

#include <exception>

namespace ui {
namespace skin {

const wchar_t* const kPackageResourceType = L"ZIPRES";

namespace {

// Size rules of the multi-language tables by where they come from.
const std::size_t kMaxDiskTable = 4u << 20;
const std::size_t kMinPackageTable = 11;

void traceToLog(const char* function, int line, const wchar_t* message)
{
    common::writeLog(function, line, L"%s", message);
}

} // namespace

bool loadPackageResource(HMODULE module, FileTable& files)
{
    files.clear();
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(kPackageResourceId), kPackageResourceType);
    if (!info) {
        WRITE_LOG(L"skin package resource missing");
        return false;
    }
    const DWORD size = ::SizeofResource(module, info);
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || size == 0) {
        WRITE_LOG(L"skin package resource empty");
        return false;
    }
    // Resources are mapped with the module; nothing to free on Win32.
    return unpackSevenZip(data, size, files);
}

int loadMultiLanguageTables(const SkinFiles& files)
{
    static const wchar_t* const kTables[] = {L"multi_language.tsv", L"multi_language_online.tsv",
                                             L"multi_language_patch.tsv"};
    int used = 0;
    for (const wchar_t* name : kTables) {
        std::string bytes;
        const FileOrigin origin = files.find(name, bytes);
        if (origin == FileOrigin::Missing) continue;
        if (origin == FileOrigin::Disk && (bytes.empty() || bytes.size() > kMaxDiskTable)) continue;
        if (origin == FileOrigin::Package && bytes.size() < kMinPackageTable) continue;
        if (SkinUI::CMultiLanguage::instance().loadTable(bytes)) ++used;
    }
    return used;
}

void setupSkin(HMODULE module, const std::wstring& programFolder, SkinFolder use)
{
    SkinUI::setTraceSink(traceToLog);
    SkinUI::setInstance(module);
    SkinFiles& files = SkinFiles::instance();
    const std::wstring folder = programFolder + L"skin";
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    const bool haveFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    // The installer runs elevated, often from a downloads folder: a folder
    // planted beside it must not change what it shows.
    if (haveFolder && use == SkinFolder::Ignored) WRITE_LOG(L"skin folder ignored: %s", folder.c_str());
    files.setResourceFolder(haveFolder && use == SkinFolder::Used ? folder + L"\\" : std::wstring());
    SkinUI::setFileSource(&files);
    // Runs before any window: an exception here would end the program.
    try {
        FileTable package;
        loadPackageResource(module, package);
        files.setPackage(std::move(package));
        loadMultiLanguageTables(files);
    } catch (const std::exception&) {
        WRITE_LOG(L"skin set-up failed, going on with what was read");
    }
}

void setupSkin(HMODULE module, SkinFolder use) { setupSkin(module, utility::ufile::moduleFolder(), use); }

} // namespace skin
} // namespace ui
