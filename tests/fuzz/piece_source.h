#pragma once
// A peer's stream for the HTTP readers, delivered in its pieces.

#include "utility/http_wire.h"

#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

class PieceSource : public utility::http::ByteSource {
public:
    explicit PieceSource(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}

    int read(char* buffer, int size) override
    {
        if (size <= 0) __builtin_trap(); // the readers never ask for nothing
        while (piece_ < pieces_.size() && at_ == pieces_[piece_].size()) {
            ++piece_;
            at_ = 0;
        }
        if (piece_ == pieces_.size()) return 0;
        std::size_t n = pieces_[piece_].size() - at_;
        if (n > static_cast<std::size_t>(size)) n = static_cast<std::size_t>(size);
        std::memcpy(buffer, pieces_[piece_].data() + at_, n);
        at_ += n;
        return static_cast<int>(n);
    }

private:
    std::vector<std::string> pieces_;
    std::size_t piece_ = 0;
    std::size_t at_ = 0;
};

// Reads a body to its end the way the client does; traps when a block is
// larger than asked for.
inline void drainBody(utility::http::BodyReader& reader)
{
    static char buffer[utility::http::kBlockSize];
    for (int block = 0; block < 100000; ++block) {
        const int got = reader.next(buffer, utility::http::kBlockSize);
        if (got > utility::http::kBlockSize) __builtin_trap();
        if (got <= 0) return;
    }
}

} // namespace fuzz
