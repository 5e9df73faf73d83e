// The installer's embedded manifest names the architecture of its own build,
// for the program and for the Common-Controls library it depends on.

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

TEST(ManifestTest, ProgramAndCommonControlsNameTheBuildsArchitecture)
{
    const std::wstring program = testing_support::buildFolder() + L"KolvexSetup.exe";
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    std::string manifest;
    if (HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL loaded = ::LoadResource(module, info);
        if (const void* data = loaded ? ::LockResource(loaded) : nullptr)
            manifest.assign(static_cast<const char*>(data), ::SizeofResource(module, info));
    }
    ::FreeLibrary(module);
    ASSERT_FALSE(manifest.empty());

    const std::string own = sizeof(void*) == 8 ? "amd64" : "x86";
    const std::regex architecture("processorArchitecture=\"([^\"]*)\"");
    int seen = 0;
    for (auto it = std::sregex_iterator(manifest.begin(), manifest.end(), architecture); it != std::sregex_iterator();
         ++it, ++seen)
        EXPECT_EQ((*it)[1].str(), own);
    EXPECT_EQ(seen, 2) << manifest;
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
}
