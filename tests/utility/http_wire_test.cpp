#include "utility/http_wire.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

using namespace utility::http;

namespace {

// Hands out the scripted pieces; one read never crosses a piece, so the
// pieces model how the network splits the bytes.
class ScriptedSource : public ByteSource {
public:
    explicit ScriptedSource(std::vector<std::string> pieces, int endResult = 0)
        : pieces_(std::move(pieces)), endResult_(endResult)
    {
    }
    int read(char* buffer, int size) override
    {
        ++reads;
        while (index_ < pieces_.size() && offset_ == pieces_[index_].size()) {
            ++index_;
            offset_ = 0;
        }
        if (index_ == pieces_.size()) return endResult_;
        const std::string& piece = pieces_[index_];
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), piece.size() - offset_);
        piece.copy(buffer, n, offset_);
        offset_ += n;
        return static_cast<int>(n);
    }
    int reads = 0;

private:
    std::vector<std::string> pieces_;
    std::size_t index_ = 0;
    std::size_t offset_ = 0;
    int endResult_;
};

// Reads the whole body; false when the framing failed.
bool readBody(ByteSource& source, const std::string& head, std::string& body, std::vector<int>* blocks = nullptr,
              int blockSize = kBlockSize)
{
    BodyReader reader(source, head);
    std::vector<char> buffer(static_cast<std::size_t>(blockSize));
    for (int guard = 0; guard < 1000000; ++guard) {
        const int got = reader.next(buffer.data(), blockSize);
        if (got < 0) return false;
        if (got == 0) return true;
        EXPECT_LE(got, blockSize);
        if (blocks) blocks->push_back(got);
        body.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ADD_FAILURE() << "body never ended";
    return false;
}

const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

} // namespace

TEST(RequestTextTest, DefaultHeadersGiveTheVendorsExactRequest)
{
    std::map<std::wstring, std::wstring> headers;
    const std::wstring extra = buildHeaderText(headers);
    EXPECT_EQ(extra, L"Content-Type: application/x-www-form-urlencoded\r\nUser-Agent: okhttp/3.5.0L\r\n");
    EXPECT_EQ(headers.size(), 2u);
    EXPECT_EQ(buildRequestText(L"dl.example", L"/a/b?x=1", extra),
              L"GET /a/b?x=1 HTTP/1.1\r\n"
              L"Host:dl.example\r\n"
              L"Cache-Control:no-cache\r\n"
              L"Pragma:no-cache\r\n"
              L"Content-Type: application/x-www-form-urlencoded\r\n"
              L"User-Agent: okhttp/3.5.0L\r\n"
              L"\r\n");

    headers[L"Range"] = L"bytes=1000-";
    EXPECT_EQ(buildHeaderText(headers), L"Content-Type: application/x-www-form-urlencoded\r\nRange: bytes=1000-\r\n"
                                        L"User-Agent: okhttp/3.5.0L\r\n");
    // Caller values are kept, not replaced by the defaults.
    headers[L"User-Agent"] = L"mine";
    EXPECT_NE(buildHeaderText(headers).find(L"User-Agent: mine\r\n"), std::wstring::npos);
}

TEST(RequestTextTest, GeneratedLinesFollowWhatTheExtraHeadersAlreadyName)
{
    // Empty extra text (a redirect): every generated line.
    EXPECT_EQ(buildRequestText(L"h", L"/", L""),
              L"GET / HTTP/1.1\r\nContent-Type:application/x-www-form-urlencoded\r\nHost:h\r\n"
              L"Cache-Control:no-cache\r\nPragma:no-cache\r\nUser-Agent:okhttp/3.5.0L\r\n\r\n");
    // Names already present suppress their lines; a missing CR LF is added.
    EXPECT_EQ(buildRequestText(L"h", L"/p", L"Host:x\r\nCache-Control:max-age=0\r\nUser-Agent:me"),
              L"GET /p HTTP/1.1\r\nContent-Type:application/x-www-form-urlencoded\r\n"
              L"Host:x\r\nCache-Control:max-age=0\r\nUser-Agent:me\r\n\r\n");
    // The searches are exact: a blank before the colon is not the name.
    EXPECT_EQ(buildRequestText(L"h", L"/", L"User-Agent :x\r\n"),
              L"GET / HTTP/1.1\r\nContent-Type:application/x-www-form-urlencoded\r\nHost:h\r\n"
              L"Cache-Control:no-cache\r\nPragma:no-cache\r\nUser-Agent :x\r\nUser-Agent:okhttp/3.5.0L\r\n\r\n");
}

TEST(ResponseHeadTest, StatusLengthAndHeaderLookup)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
    int status = 0;
    int length = 0;
    ASSERT_TRUE(parseStatus(head, status));
    EXPECT_EQ(status, 200);
    ASSERT_TRUE(parseContentLength(head, length));
    EXPECT_EQ(length, 5);

    ASSERT_TRUE(parseContentLength("HTTP/1.1 200 OK\r\ncontent-length:7\r\n\r\n", length));
    EXPECT_EQ(length, 7);
    ASSERT_TRUE(parseContentLength("HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\n\r\n", length));
    EXPECT_EQ(length, -1);
    EXPECT_FALSE(parseContentLength("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n", length));
    EXPECT_FALSE(parseContentLength("HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n", length));
    EXPECT_FALSE(parseContentLength("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", length));
    ASSERT_TRUE(parseContentLength("HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n", length));
    EXPECT_EQ(length, 2147483647);

    EXPECT_FALSE(parseStatus("HTTP/1.1\r\n\r\n", status));
    ASSERT_TRUE(parseStatus("HTTP/1.1 abc\r\n\r\n", status));
    EXPECT_EQ(status, 0);

    std::string value;
    const std::string redirect =
        "HTTP/1.1 302 Found\r\nContent-Location: /wrong\r\nLOCATION :  http://h/right \r\n\r\n";
    ASSERT_TRUE(findHeader(redirect, "location", value));
    EXPECT_EQ(value, "http://h/right");
    EXPECT_FALSE(findHeader("HTTP/1.1 302 Found\r\nContent-Location: /x\r\n\r\n", "Location", value));
    // The status line is no header, and the lookup stops at the blank line.
    EXPECT_FALSE(findHeader("Location: /a 302\r\n\r\n", "Location", value));
    EXPECT_FALSE(findHeader("HTTP/1.1 200 OK\r\n\r\nLocation: /a\r\n", "Location", value));

    EXPECT_TRUE(isChunked(kChunkedHead));
    EXPECT_TRUE(isChunked("HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n"));
    EXPECT_FALSE(isChunked("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n"));
}

TEST(ResponseHeadTest, HeadIsReadToItsBlankLineAndNoFurther)
{
    ScriptedSource source({"HTTP/1.1 200 OK\r\nA: b\r", "\n\r\nBODY"});
    std::string head;
    ASSERT_TRUE(readHead(source, head));
    EXPECT_EQ(head, "HTTP/1.1 200 OK\r\nA: b\r\n\r\n");
    char rest[8] = {};
    EXPECT_EQ(source.read(rest, 8), 4);
    EXPECT_EQ(std::string(rest, 4), "BODY");

    ScriptedSource cut({"HTTP/1.1 200 OK\r\nA: b\r\n"});
    head.clear();
    EXPECT_FALSE(readHead(cut, head));

    ScriptedSource failing({"HTTP/1.1 2"}, -1);
    head.clear();
    EXPECT_FALSE(readHead(failing, head));

    // A head that never ends is refused at the cap, not read for ever.
    ScriptedSource endless({"HTTP/1.1 200 OK\r\n" + std::string(kMaxHeadBytes, 'x')});
    head.clear();
    EXPECT_FALSE(readHead(endless, head));
    EXPECT_EQ(head.size(), static_cast<std::size_t>(kMaxHeadBytes));
}

TEST(ChunkSizeTest, HexDigitsWithOptionalExtension)
{
    int size = -5;
    ASSERT_TRUE(parseChunkSize("7FFE", size));
    EXPECT_EQ(size, 32766);
    ASSERT_TRUE(parseChunkSize("000000000a", size));
    EXPECT_EQ(size, 10);
    ASSERT_TRUE(parseChunkSize("1f;name=value", size));
    EXPECT_EQ(size, 31);
    ASSERT_TRUE(parseChunkSize("1f ; x", size));
    EXPECT_EQ(size, 31);
    EXPECT_FALSE(parseChunkSize("", size));
    EXPECT_FALSE(parseChunkSize(";x", size));
    EXPECT_FALSE(parseChunkSize("1g", size));
    EXPECT_FALSE(parseChunkSize("-1", size));
    EXPECT_FALSE(parseChunkSize("80000000", size));
    ASSERT_TRUE(parseChunkSize("7fffffff", size));
    EXPECT_EQ(size, 0x7fffffff);
}

TEST(BodyFramingTest, PlainBodyIsReadAsItComes)
{
    ScriptedSource source({"abc", "defg"});
    std::string body;
    std::vector<int> blocks;
    ASSERT_TRUE(readBody(source, "HTTP/1.1 200 OK\r\n\r\n", body, &blocks));
    EXPECT_EQ(body, "abcdefg");
    EXPECT_EQ(blocks, (std::vector<int>{3, 4}));

    ScriptedSource failing({"abc"}, -1);
    body.clear();
    EXPECT_FALSE(readBody(failing, "HTTP/1.1 200 OK\r\n\r\n", body));
}

TEST(BodyFramingTest, ChunkedBodiesDecodeWhateverTheNetworkDoes)
{
    // Small: one 5-byte chunk and the last chunk.
    ScriptedSource small({"5\r\nhello\r\n0\r\n\r\n"});
    std::string body;
    std::vector<int> blocks;
    ASSERT_TRUE(readBody(small, kChunkedHead, body, &blocks));
    EXPECT_EQ(body, "hello");
    EXPECT_EQ(blocks, std::vector<int>{5});

    // Every byte in its own read: partial reads are continued.
    const std::string wire = "3\r\nabc\r\na;ext=1\r\n0123456789\r\n0\r\n\r\n";
    std::vector<std::string> bytes;
    for (char c : wire) bytes.push_back(std::string(1, c));
    ScriptedSource split(bytes);
    body.clear();
    ASSERT_TRUE(readBody(split, kChunkedHead, body));
    EXPECT_EQ(body, "abc0123456789");

    // A chunk larger than the block buffer comes in several blocks.
    std::string big(100000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + 3);
    ScriptedSource large({"186a0\r\n" + big + "\r\n4\r\ntail\r\n0\r\n\r\n"});
    body.clear();
    blocks.clear();
    ASSERT_TRUE(readBody(large, kChunkedHead, body, &blocks));
    EXPECT_EQ(body, big + "tail");
    EXPECT_EQ(blocks, (std::vector<int>{32768, 32768, 32768, 1696, 4}));

    // The boundary sizes of the old 6-byte line: both work now.
    ScriptedSource edge({"7FFF\r\n" + std::string(0x7FFF, 'q') + "\r\n0000000\r\n\r\n"});
    body.clear();
    ASSERT_TRUE(readBody(edge, kChunkedHead, body));
    EXPECT_EQ(body.size(), 0x7FFFu);
}

TEST(BodyFramingTest, DamagedChunkedBodiesFail)
{
    const std::vector<std::string> damaged = {
        "5\r\nhello\r\n",                  // no last chunk: the peer closed early
        "5\r\nhel",                        // cut inside a chunk
        "5\r\nhelloXY0\r\n\r\n",           // no CR LF after the data
        "zz\r\nhello\r\n0\r\n\r\n",        // not a size
        "\r\nhello\r\n0\r\n\r\n",          // empty size line
        " 5\r\nhello\r\n0\r\n\r\n",        // blank before the digits
        "5" + std::string(2000, ' ') + "\r\nhello\r\n0\r\n\r\n", // endless size line
        "80000000\r\nx\r\n0\r\n\r\n",      // 2 GiB
    };
    for (const std::string& wire : damaged) {
        ScriptedSource source({wire});
        std::string body;
        EXPECT_FALSE(readBody(source, kChunkedHead, body)) << wire.substr(0, 40);
    }
    ScriptedSource failing({"5\r\nhe"}, -1);
    std::string body;
    EXPECT_FALSE(readBody(failing, kChunkedHead, body));
}

// Random cuts and mutations of valid answers: the framing never crashes or
// loops, a cut body never passes as whole, and nothing is invented.
TEST(BodyFramingTest, RandomTruncationsAndMutationsNeverPassADamagedBody)
{
    std::mt19937 random(20261209);
    std::string payload(3000, '\0');
    for (char& c : payload) c = static_cast<char>(random());
    const std::string chunkedWire =
        "3e8\r\n" + payload.substr(0, 1000) + "\r\n7d0;x=y\r\n" + payload.substr(1000) + "\r\n0\r\n\r\n";
    const std::string lengthHead = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n";

    int passedCuts = 0;
    for (int round = 0; round < 3000; ++round) {
        const bool useChunked = round % 2 == 0;
        std::string wire = (useChunked ? kChunkedHead + chunkedWire : lengthHead + payload);
        const bool cut = round % 3 != 2;
        if (cut) {
            wire.resize(static_cast<std::size_t>(random()) % wire.size());
        } else {
            for (int i = 0; i < 1 + static_cast<int>(random() % 4); ++i)
                wire[static_cast<std::size_t>(random()) % wire.size()] = static_cast<char>(random());
        }
        // Random network splits of the damaged bytes.
        std::vector<std::string> pieces;
        for (std::size_t at = 0; at < wire.size();) {
            const std::size_t n = 1 + static_cast<std::size_t>(random()) % 700;
            pieces.push_back(wire.substr(at, n));
            at += n;
        }
        ScriptedSource source(pieces);
        std::string head;
        if (!readHead(source, head)) continue;
        int length = -1;
        int status = 0;
        if (!parseStatus(head, status) || !parseContentLength(head, length)) continue;
        std::string body;
        BodyReader reader(source, head);
        std::vector<char> buffer(kBlockSize);
        bool ok = false;
        int left = length;
        for (int guard = 0; guard < 100000; ++guard) {
            const int want = (left > 0 && left < kBlockSize) ? left : kBlockSize;
            const int got = reader.next(buffer.data(), want);
            if (got < 0 || (got == 0 && left > 0)) break;
            if (got == 0) {
                ok = true;
                break;
            }
            body.append(buffer.data(), static_cast<std::size_t>(got));
            if (left > 0 && (left -= got) <= 0) {
                ok = true;
                break;
            }
        }
        ASSERT_LE(body.size(), wire.size());
        if (cut && ok && isChunked(head)) {
            EXPECT_EQ(body, payload) << "round " << round;
            ++passedCuts;
        }
        if (cut && ok && length > 0) {
            EXPECT_EQ(body, payload) << "round " << round;
            ++passedCuts;
        }
    }
    // Only cuts inside the final "\r\n" after the last chunk keep a whole body.
    EXPECT_LT(passedCuts, 30);
}
