#include "common/func_name.h"

#include <gtest/gtest.h>

#include <string>

using common::detail::qualifiedName;

namespace outer {
namespace inner {

std::string freeFunction(int) { return KOLVEX_FUNC_NAME; }

class Widget {
public:
    Widget() : constructedIn(KOLVEX_FUNC_NAME) {}
    static const char* staticMember() { return KOLVEX_FUNC_NAME; }
    std::string fromLambda() const
    {
        auto f = [] { return std::string(KOLVEX_FUNC_NAME); };
        return f();
    }
    std::string constructedIn;
};

} // namespace inner
} // namespace outer

namespace {
std::string inAnonymous() { return KOLVEX_FUNC_NAME; }
} // namespace

TEST(FuncNameTest, NamesTheEnclosingFunctionWithItsQualification)
{
    EXPECT_EQ(outer::inner::freeFunction(1), "outer::inner::freeFunction");
    EXPECT_EQ(outer::inner::Widget().constructedIn, "outer::inner::Widget::Widget");
    EXPECT_STREQ(outer::inner::Widget::staticMember(), "outer::inner::Widget::staticMember");
    // Lines logged from a lambda are filed under the function that holds it.
    EXPECT_EQ(outer::inner::Widget().fromLambda(), "outer::inner::Widget::fromLambda");
    EXPECT_EQ(inAnonymous(), "inAnonymous");
}

TEST(FuncNameTest, CutsReturnTypesParametersAndTemplateArguments)
{
    EXPECT_STREQ(qualifiedName("int wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)").c_str(), "wWinMain");
    EXPECT_STREQ(qualifiedName("bool VPDownloaderModel::init(const wstring&)").c_str(), "VPDownloaderModel::init");
    EXPECT_STREQ(qualifiedName("std::map<std::basic_string<wchar_t>, int> a::b(std::pair<int, int>)").c_str(),
                 "a::b");
    EXPECT_STREQ(qualifiedName("const wchar_t* utility::ufile::name() const").c_str(), "utility::ufile::name");
    EXPECT_STREQ(qualifiedName("void helper::disk::CalcAvaliableSpace(T) [with T = int]").c_str(),
                 "helper::disk::CalcAvaliableSpace");
    EXPECT_STREQ(qualifiedName("void {anonymous}::f()").c_str(), "f");
    EXPECT_STREQ(qualifiedName("void a::(anonymous namespace)::f()").c_str(), "a::f");
}
