// The program's own file name and its command line.
#include "fuzz_input.h"
#include "model/launch_params.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = fuzz::wideUnits(data, size);
    // The first line is the file name's stem, the rest the command line.
    const std::size_t cut = text.find(L'\n');
    const std::wstring stem = text.substr(0, cut);
    splitFileNameParams(stem);
    splitFileNameParams(cleanFileNameStem(stem));
    const std::wstring commandLine = cut == std::wstring::npos ? std::wstring() : text.substr(cut + 1);
    parseCommandLineParams(commandLine.c_str());
    parseCommandLineParams(nullptr);
    return 0;
}
