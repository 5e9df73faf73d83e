#pragma once
// SHA-256 in plain code: CryptoAPI offers it neither on plain Windows XP nor
// reliably under Wine, and a publisher is pinned by the SHA-256 of its
// certificate.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace utility {

class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void update(const void* data, std::size_t size);
    // Ends the message; the object must not be updated afterwards.
    Digest finish();

    static Digest of(const void* data, std::size_t size);
    // Lower-case hexadecimal, 64 digits.
    static std::string hex(const Digest& digest);

private:
    void block(const std::uint8_t* data);

    std::uint32_t state_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace utility
