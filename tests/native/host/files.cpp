// Host versions of the file helpers the tests read their data through:
// Windows paths ("\" separators) become host paths, the program's folder
// is the folder of the running test program.

#include "test_support.h"
#include "utility/file.h"
#include "utility/text.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace {

std::string hostPath(const std::wstring& path)
{
    std::string host = utility::wideToUtf8(path);
    for (char& c : host)
        if (c == '\\') c = '/';
    return host;
}

} // namespace

namespace testing_support {

std::string readFile(const std::wstring& path)
{
    std::ifstream in(hostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::wstring& path, const std::string& bytes)
{
    std::ofstream(hostPath(path), std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace testing_support

namespace utility {
namespace ufile {

std::wstring moduleFolder()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::wstring();
    std::string folder(path, static_cast<std::size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    return utility::utf8ToWide(folder);
}

} // namespace ufile
} // namespace utility
