#include "utility/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string hexOf(const std::string& text) { return utility::Sha256::hex(utility::Sha256::of(text.data(), text.size())); }

// Published answers for SHA-256, including the padding edges (55, 56 and 64
// bytes put the length into the same or the next block).
TEST(Sha256, KnownAnswers)
{
    EXPECT_EQ(hexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hexOf("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
              "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    EXPECT_EQ(hexOf(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(hexOf(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(hexOf(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(Sha256, MillionAsInUnevenPiecesEqualsOneCall)
{
    const std::string million(1000000, 'a');
    utility::Sha256 pieces;
    std::size_t at = 0;
    for (std::size_t step = 1; at < million.size(); step = step * 7 % 131 + 1) {
        const std::size_t take = std::min(step, million.size() - at);
        pieces.update(million.data() + at, take);
        at += take;
    }
    const std::string expected = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
    EXPECT_EQ(utility::Sha256::hex(pieces.finish()), expected);
    EXPECT_EQ(hexOf(million), expected);
}

} // namespace
