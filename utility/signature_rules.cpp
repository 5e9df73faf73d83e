#include "utility/signature_rules.h"

#include <algorithm>

namespace utility {
namespace signature {

namespace {

// Answers of WinVerifyTrust (HRESULT values).
constexpr unsigned long kSuccess = 0;
constexpr unsigned long kProviderUnknown = 0x800B0001;   // TRUST_E_PROVIDER_UNKNOWN
constexpr unsigned long kSubjectFormUnknown = 0x800B0003; // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr unsigned long kNoSignature = 0x800B0100;       // TRUST_E_NOSIGNATURE
constexpr unsigned long kUntrustedRoot = 0x800B0109;     // CERT_E_UNTRUSTEDROOT
constexpr unsigned long kChaining = 0x800B010A;          // CERT_E_CHAINING
constexpr unsigned long kUntrustedTestRoot = 0x800B010D; // CERT_E_UNTRUSTEDTESTROOT
constexpr unsigned long kBadDigest = 0x80096010;         // TRUST_E_BAD_DIGEST
constexpr unsigned long kNoRevocationCheck = 0x80092012; // CRYPT_E_NO_REVOCATION_CHECK
constexpr unsigned long kRevocationOffline = 0x80092013; // CRYPT_E_REVOCATION_OFFLINE

} // namespace

Verdict decide(const Evidence& evidence, const std::vector<std::string>& accepted)
{
    if (!evidence.verifierLoaded) return Verdict::CheckUnavailable;
    if (!evidence.opened) return Verdict::Unreadable;
    switch (static_cast<unsigned long>(evidence.trustResult)) {
    case kSuccess:
    case kUntrustedRoot:
    case kChaining:
    case kUntrustedTestRoot:
    case kNoRevocationCheck:
    case kRevocationOffline:
        break;
    case kNoSignature:
    case kProviderUnknown:
        return Verdict::NoSignature;
    case kSubjectFormUnknown:
        return Verdict::Unreadable;
    case kBadDigest:
        return Verdict::DigestMismatch;
    default:
        return Verdict::NotTrusted;
    }
    if (evidence.signerDigest.empty()) return Verdict::UnknownPublisher;
    const bool known = std::find(accepted.begin(), accepted.end(), evidence.signerDigest) != accepted.end();
    return known ? Verdict::Accepted : Verdict::UnknownPublisher;
}

const wchar_t* verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Accepted: return L"accepted";
    case Verdict::NoSignature: return L"no signature";
    case Verdict::DigestMismatch: return L"digest mismatch";
    case Verdict::UnknownPublisher: return L"unknown publisher";
    case Verdict::NotTrusted: return L"signature not trusted";
    case Verdict::Unreadable: return L"unreadable";
    case Verdict::CheckUnavailable: return L"signature check unavailable";
    }
    return L"unknown";
}

} // namespace signature
} // namespace utility
