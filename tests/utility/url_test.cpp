#include "utility/url.h"

#include <gtest/gtest.h>

using utility::splitUrl;

TEST(SplitUrlTest, SchemesGiveTheirDefaultPortAndSplitAtTheFirstSlash)
{
    auto parts = splitUrl(L"http://10.1.2.3/a?b=1");
    EXPECT_EQ(parts.host, L"10.1.2.3");
    EXPECT_EQ(parts.port, 80);
    EXPECT_EQ(parts.path, L"/a?b=1");

    parts = splitUrl(L"HTTPS://Example.COM/x/y");
    EXPECT_EQ(parts.host, L"Example.COM");
    EXPECT_EQ(parts.port, 443);
    EXPECT_EQ(parts.path, L"/x/y");

    // A query that names a URL again stays in the path.
    parts = splitUrl(L"http://h/r?u=http://other/z");
    EXPECT_EQ(parts.host, L"h");
    EXPECT_EQ(parts.path, L"/r?u=http://other/z");
}

TEST(SplitUrlTest, ExplicitPortsAreReadLikeWtoiAndKeptIn16Bits)
{
    EXPECT_EQ(splitUrl(L"http://h:8080/p").port, 8080);
    EXPECT_EQ(splitUrl(L"http://h:8080/p").host, L"h");
    EXPECT_EQ(splitUrl(L"http://h:/p").port, 0);
    EXPECT_EQ(splitUrl(L"http://h:70000/p").port, 4464);
    EXPECT_EQ(splitUrl(L"http://h:12ab/p").port, 12);
    // No user information: it stays part of the host.
    EXPECT_EQ(splitUrl(L"http://user@h/p").host, L"user@h");
}

TEST(SplitUrlTest, NoSlashOrNoSchemeKeepsTheWholeTextAsPath)
{
    auto parts = splitUrl(L"http://host.example");
    EXPECT_EQ(parts.host, L"host.example");
    EXPECT_EQ(parts.port, 80);
    EXPECT_EQ(parts.path, L"http://host.example");

    parts = splitUrl(L"/only/a/path");
    EXPECT_EQ(parts.host, L"");
    EXPECT_EQ(parts.port, 80);
    EXPECT_EQ(parts.path, L"/only/a/path");

    parts = splitUrl(L"");
    EXPECT_EQ(parts.host, L"");
    EXPECT_EQ(parts.path, L"");
}

TEST(SplitUrlTest, LeadingLineBreakBeforeTheSchemeIsDropped)
{
    auto parts = splitUrl(L"\r\nhttps://h/p");
    EXPECT_EQ(parts.host, L"h");
    EXPECT_EQ(parts.port, 443);
    EXPECT_EQ(parts.path, L"/p");

    parts = splitUrl(L"\r\nhttp://h:81/p");
    EXPECT_EQ(parts.host, L"h");
    EXPECT_EQ(parts.port, 81);
}
