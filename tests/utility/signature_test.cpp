// The signature check on real files made at build time (the stand-in signed
// by the build's test publisher, by another publisher, and broken in every
// way); the verdict table itself is in signature_rules_test.cpp.

#include "utility/signature.h"

#include "test_support.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using testing_support::buildFolder;
using utility::signature::Evidence;
using utility::signature::Verdict;

namespace {

// Written by the build (CMake's own SHA-256 of the certificate's DER).
std::string publisherDigest(const wchar_t* name)
{
    std::string text = testing_support::readFile(buildFolder() + L"signing\\" + name + L".sha256");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::wstring caseFile(const wchar_t* name) { return buildFolder() + L"tests\\signature-cases\\" + name; }

struct FileCase {
    const wchar_t* file;
    Verdict expected;
    // Windows calls a file that is no program of unknown form; Wine says
    // it carries no signature.
    Verdict alsoRight;
};

TEST(SignatureCheck, EachBuiltFileGetsItsVerdict)
{
    const std::vector<std::string> accepted = {publisherDigest(L"test-publisher")};
    ASSERT_EQ(accepted[0].size(), 64u);
    const FileCase cases[] = {
        {L"accepted.exe", Verdict::Accepted, Verdict::Accepted},
        {L"unsigned.exe", Verdict::NoSignature, Verdict::NoSignature},
        {L"one-byte-changed.exe", Verdict::DigestMismatch, Verdict::DigestMismatch},
        {L"other-publisher.exe", Verdict::UnknownPublisher, Verdict::UnknownPublisher},
        {L"stripped.exe", Verdict::NoSignature, Verdict::NoSignature},
        {L"truncated.exe", Verdict::NoSignature, Verdict::NoSignature},
        {L"not-a-program.exe", Verdict::NoSignature, Verdict::Unreadable},
        {L"no-such-file.exe", Verdict::Unreadable, Verdict::Unreadable},
    };
    for (const FileCase& c : cases) {
        Evidence seen;
        const Verdict verdict = utility::signature::check(caseFile(c.file), accepted, &seen);
        EXPECT_TRUE(verdict == c.expected || verdict == c.alsoRight)
            << utility::wideToUtf8(c.file) << ": verdict " << static_cast<int>(verdict) << ", result 0x" << std::hex
            << static_cast<unsigned long>(seen.trustResult) << ", signer " << seen.signerDigest;
    }
}

TEST(SignatureCheck, SignerIsTheCertificateThatSigned)
{
    const std::string ours = publisherDigest(L"test-publisher");
    const std::string theirs = publisherDigest(L"other-publisher");
    ASSERT_NE(ours, theirs);
    EXPECT_EQ(utility::signature::examine(caseFile(L"accepted.exe")).signerDigest, ours);
    EXPECT_EQ(utility::signature::examine(caseFile(L"other-publisher.exe")).signerDigest, theirs);
    EXPECT_EQ(utility::signature::examine(caseFile(L"unsigned.exe")).signerDigest, "");
    // Only the list decides whose signature counts.
    EXPECT_EQ(utility::signature::check(caseFile(L"accepted.exe"), {theirs}), Verdict::UnknownPublisher);
    EXPECT_EQ(utility::signature::check(caseFile(L"other-publisher.exe"), {ours, theirs}), Verdict::Accepted);
}

TEST(SignatureCheck, HeldFileCanBeReadButNotChangedOrMoved)
{
    const std::wstring folder = testing_support::scratchFolder();
    const std::wstring file = folder + L"rizodi.exe";
    testing_support::writeFile(file, "bytes");
    {
        const common::UniqueHandle held = utility::signature::holdUnchanged(file);
        ASSERT_TRUE(held);
        EXPECT_EQ(testing_support::readFile(file), "bytes");
        common::UniqueHandle writer(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(writer);
        EXPECT_FALSE(::MoveFileExW(file.c_str(), (folder + L"moved.exe").c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(::DeleteFileW(file.c_str()));
    }
    EXPECT_TRUE(::DeleteFileW(file.c_str()));
    EXPECT_FALSE(utility::signature::holdUnchanged(file));
}

} // namespace
