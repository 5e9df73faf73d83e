#pragma once
// The skin as the build packs it (skin.7z in the build folder), for tests
// that open the real layouts and pictures.

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

} // namespace testing_support
