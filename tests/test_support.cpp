#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "common/unique_handle.h"
#include "utility/file.h"
#include "utility/text.h"

namespace testing_support {

namespace {

void removeTree(const std::wstring& folder)
{
    // Double-terminated list, as the shell wants it.
    std::wstring from = folder;
    if (!from.empty() && from.back() == L'\\') from.pop_back();
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&op);
}

} // namespace

std::wstring buildFolder() { return utility::ufile::parentFolder(utility::ufile::moduleFolder()); }

std::wstring scratchFolder()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = info ? utility::utf8ToWide(std::string(info->test_suite_name()) + "." + info->name())
                             : L"global";
    for (wchar_t& c : name)
        if (c == L'/') c = L'_';
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring folder = utility::ufile::parentFolder(self) + L"scratch\\" + name + L"\\";
    removeTree(folder);
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

std::string readFile(const std::wstring& path)
{
    std::string bytes;
    FILE* f = ::_wfopen(path.c_str(), L"rb");
    if (!f) return bytes;
    char block[4096];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof(block), f)) > 0) bytes.append(block, n);
    std::fclose(f);
    return bytes;
}

void writeFile(const std::wstring& path, const std::string& bytes)
{
    FILE* f = ::_wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr) << "cannot write test file";
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

unsigned long runAndWait(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs)
{
    std::wstring commandLine = L"\"" + file + L"\"" + (params.empty() ? L"" : L" " + params);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                          &si, &pi))
        return 0xFFFFFFFF;
    common::UniqueHandle process(pi.hProcess);
    common::UniqueHandle thread(pi.hThread);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return 0xFFFFFFFE;
    DWORD code = 0xFFFFFFFD;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

std::wstring copyStandinAs(const std::wstring& folder, const wchar_t* name)
{
    const std::wstring standin = buildFolder() + L"tools\\standin.exe";
    const std::wstring target = folder + name;
    EXPECT_TRUE(::CopyFileW(standin.c_str(), target.c_str(), FALSE)) << "stand-in missing";
    return target;
}

} // namespace testing_support
