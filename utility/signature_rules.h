#pragma once
// Whether a program may run elevated: the verdict over what Windows says of
// its embedded Authenticode signature and who signed it. Plain code, no
// system calls; utility/signature.h gathers the evidence.
//
// WinVerifyTrust answers accepted when the signer is an accepted publisher:
// - 0 (the signature and its chain are good);
// - an untrusted or test root, or a chain that ends at no trusted root
//   (CERT_E_UNTRUSTEDROOT, CERT_E_UNTRUSTEDTESTROOT, CERT_E_CHAINING): the
//   digest and the signature have been verified by then, and the pinned
//   certificate is stronger evidence of the vendor than a chain to any root;
// - revocation could not be checked (CRYPT_E_NO_REVOCATION_CHECK,
//   CRYPT_E_REVOCATION_OFFLINE): machines without the internet or without a
//   revocation list still install.
// Never accepted: no signature, a digest that does not match the file, an
// expired, revoked or distrusted certificate, a certificate not meant for
// code signing, any other failure.

#include <string>
#include <vector>

namespace utility {
namespace signature {

enum class Verdict {
    Accepted,
    NoSignature,
    DigestMismatch,
    UnknownPublisher,
    NotTrusted,       // a signature, but expired, revoked, wrong use, ...
    Unreadable,       // the file cannot be opened or is no program
    CheckUnavailable, // the system's verifier could not be loaded
};

// What the system said about one file.
struct Evidence {
    bool verifierLoaded = false; // wintrust and crypt32 with every function
    bool opened = false;         // the file could be opened for reading
    long trustResult = 0;        // WinVerifyTrust's answer
    std::string signerDigest;    // SHA-256 (lower-case hex) of the signer's certificate; empty when none was found
};

// accepted: lower-case hex SHA-256 digests. Callers skip the check when the
// list is empty (a build without signature check).
Verdict decide(const Evidence& evidence, const std::vector<std::string>& accepted);

// The reason as the log writes it: "no signature", "digest mismatch", ...
const wchar_t* verdictText(Verdict verdict);

} // namespace signature
} // namespace utility
