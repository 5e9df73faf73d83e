// The string bundle as the program gets it: through the model, and as a
// file found through the skin's lookup with the "skin" folder winning.

#include "model/vpdownloader_model.h"
#include "skinui/resources.h"
#include "test_support.h"
#include "ui/skin/skin_files.h"
#include "ui/text/string_bundle.h"
#include "utility/file.h"

#include <gtest/gtest.h>

using ui::text::StringBundle;

namespace {

const wchar_t kBundle[] =
    L"<StringBundle ver=\"100\">\r\n"
    L"  <String id=\"sure\">Sure</String>\r\n"
    L"  <String id=\"sure\">Sure again</String>\r\n"
    L"</StringBundle>\r\n";

} // namespace

TEST(StringBundleTest, ModelHandsLookUpsToItsBundle)
{
    VPDownloaderModel::destroy();
    VPDownloaderModel* model = VPDownloaderModel::instance();
    EXPECT_EQ(model->stringById(L"sure"), L"sure");
    model->loadStringBundle(kBundle);
    EXPECT_EQ(model->stringById(L"sure"), L"Sure again");
    EXPECT_EQ(model->stringById(L"nowhere"), L"nowhere");
    VPDownloaderModel::destroy();
}

TEST(StringBundleTest, SkinFolderBundleWinsOverThePackagedOne)
{
    ui::skin::SkinFiles files;
    // UTF-8 with a byte-order mark and Chinese text, as the skin ships it.
    files.setPackage(ui::skin::FileTable{
        {L"language/downloader_cn.xml",
         "\xEF\xBB\xBF<StringBundle ver=\"100\"><String id=\"sure\">\xE7\xA1\xAE\xE5\xAE\x9A</String></StringBundle>"}});
    SkinUI::setFileSource(&files);

    std::wstring document;
    ASSERT_TRUE(ui::text::readBundleDocument(ui::text::kBundleFile, document));
    StringBundle packaged;
    ASSERT_TRUE(packaged.load(document));
    EXPECT_EQ(packaged.stringById(L"sure"), L"\x786E\x5B9A");

    const std::wstring folder = testing_support::scratchFolder();
    utility::ufile::makeDir(folder + L"language");
    testing_support::writeFile(folder + L"language\\downloader_cn.xml",
                               "<StringBundle><String id=\"sure\">from the skin folder</String></StringBundle>");
    files.setResourceFolder(folder);
    ASSERT_TRUE(ui::text::readBundleDocument(ui::text::kBundleFile, document));
    StringBundle fromDisk;
    ASSERT_TRUE(fromDisk.load(document));
    EXPECT_EQ(fromDisk.stringById(L"sure"), L"from the skin folder");

    EXPECT_FALSE(ui::text::readBundleDocument(L"language\\downloader_xx.xml", document));
    SkinUI::setFileSource(nullptr);
}
