// A chunked body as a peer sends it, in pieces; and its first line as a
// chunk-size line.
#include "fuzz_input.h"
#include "piece_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    int chunk = 0;
    if (utility::http::parseChunkSize(text.substr(0, text.find("\r\n")), chunk) && chunk < 0) __builtin_trap();
    fuzz::PieceSource source(fuzz::peerPieces(data, size));
    utility::http::BodyReader reader(source, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    fuzz::drainBody(reader);
    return 0;
}
