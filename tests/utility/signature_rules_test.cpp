// The verdict table over what Windows may say of a signature, including
// the answers Wine never produces.

#include "utility/signature_rules.h"

#include <gtest/gtest.h>

#include <string>

using utility::signature::Evidence;
using utility::signature::Verdict;

namespace {

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
