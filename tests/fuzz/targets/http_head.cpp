// A response as a peer sends it, in pieces: the head, its headers, then the
// body as the head frames it.
#include "fuzz_input.h"
#include "piece_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::PieceSource source(fuzz::peerPieces(data, size));
    std::string head;
    if (!utility::http::readHead(source, head)) return 0;
    if (head.size() > static_cast<std::size_t>(utility::http::kMaxHeadBytes)) __builtin_trap();
    int status = 0;
    utility::http::parseStatus(head, status);
    std::string value;
    utility::http::findHeader(head, "Location", value);
    int length = 0;
    if (utility::http::parseContentLength(head, length) && length < -1) __builtin_trap();
    utility::http::BodyReader reader(source, head);
    fuzz::drainBody(reader);
    return 0;
}
