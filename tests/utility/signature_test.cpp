// The signature check on real files made at build time (the stand-in signed
// by the build's test publisher, by another publisher, and broken in every
// way), and the verdict table for what Wine cannot produce.

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

Evidence trusted(long result, const std::string& signer)
{
    Evidence e;
    e.verifierLoaded = true;
    e.opened = true;
    e.trustResult = result;
    e.signerDigest = signer;
    return e;
}

struct TrustCase {
    unsigned long result;
    Verdict pinned;   // signer is an accepted publisher
    Verdict stranger; // signer is not
};

// What real Windows may answer beyond what Wine does: a pinned publisher
// outweighs a missing root, never a broken, expired or revoked signature.
TEST(SignatureVerdict, TrustAnswersWithPinnedAndUnknownSigners)
{
    const std::string pinned(64, 'a');
    const std::string stranger(64, 'b');
    const TrustCase cases[] = {
        {0x00000000, Verdict::Accepted, Verdict::UnknownPublisher},
        {0x800B0109, Verdict::Accepted, Verdict::UnknownPublisher}, // untrusted root
        {0x800B010A, Verdict::Accepted, Verdict::UnknownPublisher}, // chain to no trusted root
        {0x800B010D, Verdict::Accepted, Verdict::UnknownPublisher}, // untrusted test root
        {0x80092012, Verdict::Accepted, Verdict::UnknownPublisher}, // revocation not checked
        {0x80092013, Verdict::Accepted, Verdict::UnknownPublisher}, // revocation server offline
        {0x800B0100, Verdict::NoSignature, Verdict::NoSignature},
        {0x800B0001, Verdict::NoSignature, Verdict::NoSignature},   // no provider for the form
        {0x800B0003, Verdict::Unreadable, Verdict::Unreadable},     // not a program
        {0x80096010, Verdict::DigestMismatch, Verdict::DigestMismatch},
        {0x800B0101, Verdict::NotTrusted, Verdict::NotTrusted},     // expired
        {0x800B010C, Verdict::NotTrusted, Verdict::NotTrusted},     // revoked
        {0x80092010, Verdict::NotTrusted, Verdict::NotTrusted},     // revoked (crypt)
        {0x800B0111, Verdict::NotTrusted, Verdict::NotTrusted},     // explicitly distrusted
        {0x800B0110, Verdict::NotTrusted, Verdict::NotTrusted},     // not for code signing
        {0x80096004, Verdict::NotTrusted, Verdict::NotTrusted},     // signature of the signer bad
        {0x800B0004, Verdict::NotTrusted, Verdict::NotTrusted},     // subject not trusted
    };
    for (const TrustCase& c : cases) {
        const long code = static_cast<long>(c.result);
        EXPECT_EQ(utility::signature::decide(trusted(code, pinned), {pinned}), c.pinned) << std::hex << c.result;
        EXPECT_EQ(utility::signature::decide(trusted(code, stranger), {pinned}), c.stranger) << std::hex << c.result;
    }
}

TEST(SignatureVerdict, MissingPiecesNeverPass)
{
    const std::string pinned(64, 'a');
    Evidence noVerifier = trusted(0, pinned);
    noVerifier.verifierLoaded = false;
    EXPECT_EQ(utility::signature::decide(noVerifier, {pinned}), Verdict::CheckUnavailable);
    Evidence closed = trusted(0, pinned);
    closed.opened = false;
    EXPECT_EQ(utility::signature::decide(closed, {pinned}), Verdict::Unreadable);
    // A good answer without a signer we could find.
    EXPECT_EQ(utility::signature::decide(trusted(0, ""), {pinned}), Verdict::UnknownPublisher);
    EXPECT_EQ(utility::signature::decide(trusted(0, ""), {""}), Verdict::UnknownPublisher);
    EXPECT_EQ(utility::signature::decide(trusted(0, pinned), {}), Verdict::UnknownPublisher);
}

} // namespace
