// Times the skin set-up as the program performs it at start (unpack the
// whole package from the resources, load the multi-language tables),
// reading the package out of the built installer.

#include "common/unique_handle.h"
#include "skinui/multi_language.h"
#include "ui/skin/skin_setup.h"
#include "utility/file.h"
#include "utility/text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double elapsedMs(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

// Unpacks a 7z file from the disk instead: an estimate for a package of
// another size than the one built in.
int benchArchiveFile(const std::wstring& path)
{
    const common::UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        std::fwprintf(stderr, L"cannot open %ls\n", path.c_str());
        return 1;
    }
    std::string bytes(::GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    const BOOL ok = bytes.empty() || ::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    if (!ok) return 1;
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    ui::skin::FileTable files;
    const bool unpacked = ui::skin::unpackSevenZip(bytes.data(), bytes.size(), files);
    ::QueryPerformanceCounter(&end);
    std::size_t total = 0;
    for (const auto& entry : files) total += entry.second.size();
    std::printf("archive bytes: %u, entries: %u, unpacked bytes: %u, ok: %d\n", static_cast<unsigned>(bytes.size()),
                static_cast<unsigned>(files.size()), static_cast<unsigned>(total), unpacked ? 1 : 0);
    std::printf("skin setup ms: %.2f\n", elapsedMs(start, end, frequency));
    return unpacked ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && utility::endsWith(std::wstring(argv[1]), std::wstring(L".7z"))) return benchArchiveFile(argv[1]);
    const std::wstring program = argc > 1 ? argv[1] : utility::ufile::moduleFolder() + L"..\\KolvexSetup.exe";
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        std::fwprintf(stderr, L"cannot open %ls\n", program.c_str());
        return 1;
    }
    // A folder without a "skin" subfolder: everything comes from the package.
    const std::wstring folder = utility::ufile::moduleFolder();
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const int runs = 21;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        SkinUI::CMultiLanguage::instance().clear();
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&start);
        ui::skin::setupSkin(module, folder);
        ::QueryPerformanceCounter(&end);
        times.push_back(elapsedMs(start, end, frequency));
    }
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(ui::skin::kPackageResourceId), ui::skin::kPackageResourceType);
    const DWORD packageSize = info ? ::SizeofResource(module, info) : 0;
    const std::size_t entries = ui::skin::SkinFiles::instance().package().size();
    std::size_t unpacked = 0;
    for (const auto& entry : ui::skin::SkinFiles::instance().package()) unpacked += entry.second.size();
    ::FreeLibrary(module);

    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("package bytes: %lu\n", static_cast<unsigned long>(packageSize));
    std::printf("entries: %u, unpacked bytes: %u\n", static_cast<unsigned>(entries), static_cast<unsigned>(unpacked));
    std::printf("first run ms: %.2f, median of %d ms: %.2f, slowest ms: %.2f\n", first, runs, times[runs / 2],
                times.back());
    // The program sets the skin up once, so the first run is the figure.
    std::printf("skin setup ms: %.2f\n", first);
    return 0;
}
