#pragma once
// Qualified name of the calling function ("VPDownloaderModel::init",
// "utility::process::execute"), cut out of the compiler's pretty signature
// at compile time, so log lines name their caller without a runtime cost.

#include <cstddef>

namespace common {
namespace detail {

constexpr std::size_t kMaxFuncName = 128;

struct FuncName {
    char text[kMaxFuncName] = {};
    constexpr const char* c_str() const { return text; }
};

constexpr bool startsWith(const char* s, std::size_t at, const char* word)
{
    for (std::size_t i = 0; word[i] != '\0'; ++i)
        if (s[at + i] != word[i]) return false;
    return true;
}

// Takes "ret ns::Class::func(args) [with ...]" or a lambda's
// "ns::Class::func(args)::<lambda()>" and yields "ns::Class::func".
constexpr FuncName qualifiedName(const char* pretty)
{
    std::size_t len = 0;
    while (pretty[len] != '\0') ++len;

    // The parameter list opens at the first '(' outside template arguments
    // that is not part of "(anonymous namespace)".
    std::size_t open = len;
    int angle = 0;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < len; ++i) {
        const char c = pretty[i];
        if (c == '(' && startsWith(pretty, i, "(anonymous namespace)")) {
            i += 20;
            continue;
        }
        if (c == '<') ++angle;
        else if (c == '>' && angle > 0) --angle;
        else if (angle == 0 && c == ' ') nameStart = i + 1;
        else if (angle == 0 && c == '(') {
            // "operator()" keeps its own parentheses.
            if (i >= 8 && startsWith(pretty, i - 8, "operator") && pretty[i + 1] == ')') {
                i += 1;
                continue;
            }
            open = i;
            break;
        }
    }
    while (nameStart < open && (pretty[nameStart] == '*' || pretty[nameStart] == '&'))
        ++nameStart;

    FuncName out{};
    std::size_t n = 0;
    for (std::size_t i = nameStart; i < open && n + 1 < kMaxFuncName; ++i) {
        // Helpers in a file's anonymous namespace go by their own name.
        if (startsWith(pretty, i, "(anonymous namespace)::")) {
            i += 22;
            continue;
        }
        if (startsWith(pretty, i, "{anonymous}::")) {
            i += 12;
            continue;
        }
        out.text[n++] = pretty[i];
    }
    out.text[n] = '\0';
    return out;
}

} // namespace detail
} // namespace common

// The name of the enclosing function, as a constant narrow string.
#define KOLVEX_FUNC_NAME                                                                   \
    ([]() -> const char* {                                                                 \
        static constexpr ::common::detail::FuncName kName =                                \
            ::common::detail::qualifiedName(__PRETTY_FUNCTION__);                          \
        return kName.c_str();                                                              \
    }())
