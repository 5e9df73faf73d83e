#pragma once
// The skin as the build packs it (skin.7z in the build folder), for tests
// that open the real layouts and pictures.

#include "skinui/painter.h"
#include "skinui/resources.h"
#include "test_support.h"
#include "ui/skin/seven_zip.h"
#include "ui/skin/skin_files.h"

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// A file lookup over the packed skin; empty (with a test failure) when the
// archive is missing or unreadable.
inline std::unique_ptr<ui::skin::SkinFiles> shippedSkin()
{
    std::unique_ptr<ui::skin::SkinFiles> files(new ui::skin::SkinFiles);
    const std::string archive = readFile(buildFolder() + L"skin.7z");
    ui::skin::FileTable package;
    EXPECT_TRUE(ui::skin::unpackSevenZip(archive.data(), archive.size(), package)) << "skin.7z";
    files->setPackage(package);
    return files;
}

// Tests that paint with the shipped skin: it is the toolkit's file source,
// and each test starts and ends without decoded pictures.
class SkinPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = shippedSkin().release(); }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }
    void SetUp() override
    {
        SkinUI::setFileSource(files_);
        SkinUI::clearImageCache();
    }
    void TearDown() override
    {
        SkinUI::clearImageCache();
        SkinUI::setFileSource(nullptr);
    }

    static inline ui::skin::SkinFiles* files_ = nullptr;
};

} // namespace testing_support
