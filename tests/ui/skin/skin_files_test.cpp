// The package inside the program, the file lookup order and the
// multi-language tables.

#include "skinui/layout_builder.h"
#include "skinui/multi_language.h"
#include "skinui/resources.h"
#include "skinui/scale.h"
#include "test_support.h"
#include "ui/skin/skin_setup.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

using ui::skin::FileOrigin;
using ui::skin::FileTable;
using ui::skin::SkinFiles;

namespace {

using testing_support::buildFolder;

// The installer's own resources, without running it.
class ProgramModule {
public:
    ProgramModule()
        : module_(::LoadLibraryExW((buildFolder() + L"KolvexSetup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~ProgramModule()
    {
        if (module_) ::FreeLibrary(module_);
    }
    ProgramModule(const ProgramModule&) = delete;
    ProgramModule& operator=(const ProgramModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// Files below a folder, keyed with "/" like package entries.
void collect(const std::wstring& root, const std::wstring& relative, FileTable& files)
{
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((root + relative + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            collect(root, relative + name + L"\\", files);
        else {
            std::wstring key = relative + name;
            for (wchar_t& c : key)
                if (c == L'\\') c = L'/';
            files[key] = testing_support::readFile(root + relative + name);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

class MultiLanguageReset : public ::testing::Test {
protected:
    void SetUp() override { SkinUI::CMultiLanguage::instance().clear(); }
    void TearDown() override { SkinUI::CMultiLanguage::instance().clear(); }
};

const char kTableHead[] = "Code\tlanguage_code\tzh_CN\tzh_TW\tko_KR\ten_US\r\n"
                          "Language\tlanguage_name\tA\tB\tC\tD\r\n";

} // namespace

TEST(SkinPackageTest, ProgramResourceHoldsTheWholeSkinFolder)
{
    ProgramModule program;
    ASSERT_TRUE(program.get());
    FileTable packaged;
    ASSERT_TRUE(ui::skin::loadPackageResource(program.get(), packaged));

    FileTable source;
    collect(utility::ufile::moduleFolder() + L"data\\skin_source\\", L"", source);
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(packaged, source);

    // The same archive is left in the build folder.
    const std::string archive = testing_support::readFile(buildFolder() + L"skin.7z");
    FileTable fromFile;
    ASSERT_TRUE(ui::skin::unpackSevenZip(archive.data(), archive.size(), fromFile));
    EXPECT_EQ(fromFile, packaged);
}

TEST(SkinPackageTest, ModuleWithoutPackageGivesAnEmptyTable)
{
    FileTable files;
    files[L"stale"] = "x";
    EXPECT_FALSE(ui::skin::loadPackageResource(::GetModuleHandleW(nullptr), files));
    EXPECT_TRUE(files.empty());
}

TEST(SkinFilesTest, DiskFolderOverridesSingleFilesOfThePackage)
{
    const std::wstring folder = testing_support::scratchFolder();
    utility::ufile::makeDir(folder + L"language");
    testing_support::writeFile(folder + L"language\\downloader_cn.xml", "from disk");

    SkinFiles files;
    files.setResourceFolder(folder.substr(0, folder.size() - 1)); // a separator is added
    EXPECT_EQ(files.resourceFolder(), folder);
    files.setPackage(FileTable{{L"language/downloader_cn.xml", "from package"}, {L"mainframe.xml", "frame"}});

    std::string bytes;
    EXPECT_EQ(files.find(L"language\\downloader_cn.xml", bytes), FileOrigin::Disk);
    EXPECT_EQ(bytes, "from disk");
    EXPECT_EQ(files.find(L"mainframe.xml", bytes), FileOrigin::Package);
    EXPECT_EQ(bytes, "frame");
    EXPECT_EQ(files.find(L"missing.png", bytes), FileOrigin::Missing);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(files.find(L"", bytes), FileOrigin::Missing);

    // Without a folder, "\" still finds the packaged entry.
    SkinFiles packageOnly;
    packageOnly.setPackage(FileTable{{L"language/downloader_cn.xml", "from package"}});
    EXPECT_EQ(packageOnly.find(L"language\\downloader_cn.xml", bytes), FileOrigin::Package);
    EXPECT_EQ(bytes, "from package");
    EXPECT_TRUE(packageOnly.readFile(L"language/downloader_cn.xml", bytes));
}

TEST(SkinFilesTest, ScaledPicturesComeFromWhereThePictureComes)
{
    const std::wstring folder = testing_support::scratchFolder();
    testing_support::writeFile(folder + L"replaced.png", "new");
    testing_support::writeFile(folder + L"both.png", "new");
    testing_support::writeFile(folder + L"both@2x.png", "new 2x");
    SkinFiles files;
    files.setResourceFolder(folder);
    files.setPackage(FileTable{{L"replaced@2x.png", "old 2x"}, {L"both@2x.png", "old 2x"}, {L"kept@2x.png", "2x"}});
    struct Case {
        const wchar_t* picture;
        bool found;
        const char* bytes;
    } cases[] = {{L"replaced.png", false, ""}, {L"both.png", true, "new 2x"}, {L"kept.png", true, "2x"}};
    for (const Case& c : cases) {
        std::string bytes;
        const std::wstring variant = SkinUI::pictureVariant(c.picture, 200);
        EXPECT_EQ(files.readVariant(c.picture, variant, bytes), c.found) << utility::wideToUtf8(c.picture);
        EXPECT_EQ(bytes, c.bytes) << utility::wideToUtf8(c.picture);
    }
}

TEST(SkinFilesTest, NameWithDriveLetterComesFromDiskOnly)
{
    const std::wstring folder = testing_support::scratchFolder();
    testing_support::writeFile(folder + L"absolute.txt", "on disk");
    SkinFiles files;
    std::wstring packagedName = folder + L"gone.txt";
    for (wchar_t& c : packagedName)
        if (c == L'\\') c = L'/';
    files.setPackage(FileTable{{packagedName, "never"}});

    std::string bytes;
    EXPECT_EQ(files.find(folder + L"absolute.txt", bytes), FileOrigin::Disk);
    EXPECT_EQ(bytes, "on disk");
    EXPECT_EQ(files.find(folder + L"gone.txt", bytes), FileOrigin::Missing);
}

TEST_F(MultiLanguageReset, SetupReadsPackageFromTheProgramAndConfirmIsEnglish)
{
    ProgramModule program;
    ASSERT_TRUE(program.get());
    const std::wstring folder = testing_support::scratchFolder();
    utility::ufile::makeDir(folder + L"skin");
    testing_support::writeFile(folder + L"skin\\scrollbar.xml", "<changed/>");

    ui::skin::setupSkin(program.get(), folder);
    SkinFiles& files = SkinFiles::instance();
    EXPECT_EQ(files.resourceFolder(), folder + L"skin\\");
    std::string bytes;
    ASSERT_TRUE(SkinUI::loadFile(L"scrollbar.xml", bytes));
    EXPECT_EQ(bytes, "<changed/>");
    ASSERT_TRUE(SkinUI::loadFile(L"multi_language.tsv", bytes));
    EXPECT_EQ(files.find(L"multi_language.tsv", bytes), FileOrigin::Package);

    EXPECT_EQ(SkinUI::CMultiLanguage::instance().resolve(L"@confirm"), L"Confirm");
    EXPECT_EQ(SkinUI::CMultiLanguage::instance().resolve(L"@cancel"), L"Cancel");

    // No "skin" folder: everything from the package.
    ui::skin::setupSkin(program.get(), testing_support::scratchFolder());
    EXPECT_TRUE(files.resourceFolder().empty());
    EXPECT_EQ(files.find(L"scrollbar.xml", bytes), FileOrigin::Package);
    EXPECT_NE(bytes, "<changed/>");
    SkinUI::setFileSource(nullptr);
}

TEST_F(MultiLanguageReset, TablesFollowTheirSizeRulesAndLaterRowsWin)
{
    const std::string table = std::string(kTableHead) + "common\tconfirm\t\xE7\xA1\xAE\xE5\xAE\x9A\tx\ty\tConfirm\r\n";
    SkinFiles files;
    // Ten bytes in the package: too short to be used.
    files.setPackage(FileTable{{L"multi_language.tsv", table},
                               {L"multi_language_online.tsv", "0123456789"},
                               {L"multi_language_patch.tsv", std::string(kTableHead) + "c\tconfirm\tp\tp\tp\tPatched\r\n"}});
    EXPECT_EQ(ui::skin::loadMultiLanguageTables(files), 2);
    std::wstring text;
    ASSERT_TRUE(SkinUI::CMultiLanguage::instance().find(L"confirm", text));
    EXPECT_EQ(text, L"Patched");

    // An empty file on disk is not used either, and does not fall back.
    SkinUI::CMultiLanguage::instance().clear();
    const std::wstring folder = testing_support::scratchFolder();
    testing_support::writeFile(folder + L"multi_language.tsv", "");
    files.setResourceFolder(folder);
    EXPECT_EQ(ui::skin::loadMultiLanguageTables(files), 1);
    // A short table on disk is fine: only the package has the 10-byte rule.
    testing_support::writeFile(folder + L"multi_language_online.tsv", std::string(kTableHead));
    SkinUI::CMultiLanguage::instance().clear();
    EXPECT_EQ(ui::skin::loadMultiLanguageTables(files), 2);
}

TEST_F(MultiLanguageReset, ColumnFollowsTheLanguageCodeWithEnglishAsFallback)
{
    SkinUI::CMultiLanguage& table = SkinUI::CMultiLanguage::instance();
    const std::string rows = std::string(kTableHead) + "common\tconfirm\tzh\ttw\tko\ten\r\n" + "common\tshort\tzh\r\n";
    table.setLanguageCode(L"zh_TW");
    ASSERT_TRUE(table.loadTable(rows));
    EXPECT_EQ(table.resolve(L"@confirm"), L"tw");
    table.setLanguageCode(L"xx_XX");
    ASSERT_TRUE(table.loadTable(rows));
    EXPECT_EQ(table.resolve(L"@confirm"), L"en");
    // A row cut short before the column has no text, not a neighbour's.
    EXPECT_EQ(table.resolve(L"@short"), L"@short");

    EXPECT_EQ(table.resolve(L"@"), L"@");
    EXPECT_EQ(table.resolve(L"@unknown"), L"@unknown");
    EXPECT_EQ(table.resolve(L"plain"), L"plain");
    EXPECT_EQ(table.textOf(L"unknown"), L"unknown");
    EXPECT_EQ(table.resolve(L"@unknown"), L"unknown");

    EXPECT_FALSE(table.loadTable("Code\tlanguage_code\r\n"));
    EXPECT_FALSE(table.loadTable("Code\tcodes\r\nLanguage\tlanguage_name\r\n"));
    EXPECT_FALSE(table.loadTable(""));
}

TEST(ShippedSkinTest, EveryXmlFileOfThePackageReadsAndEveryWindowLayoutBuilds)
{
    const std::string archive = testing_support::readFile(buildFolder() + L"skin.7z");
    SkinFiles files;
    FileTable package;
    ASSERT_TRUE(ui::skin::unpackSevenZip(archive.data(), archive.size(), package));
    files.setPackage(package);
    SkinUI::setFileSource(&files);
    int xmlFiles = 0;
    for (const auto& entry : package) {
        if (!utility::endsWith(entry.first, L".xml")) continue;
        ++xmlFiles;
        SkinUI::CXmlDocument doc;
        ASSERT_TRUE(doc.parse(SkinUI::fromUtf8(entry.second))) << utility::wideToUtf8(entry.first) << ": "
                                                              << utility::wideToUtf8(doc.error());
        if (doc.root()->name() != L"Window") continue;
        SkinUI::CWindowLayout layout;
        EXPECT_TRUE(SkinUI::CDialogBuilder::build(entry.first, layout)) << utility::wideToUtf8(entry.first);
        EXPECT_TRUE(layout.root) << utility::wideToUtf8(entry.first);
        EXPECT_GT(layout.size.cx, 0);
    }
    SkinUI::setFileSource(nullptr);
    EXPECT_GE(xmlFiles, 1);
}
