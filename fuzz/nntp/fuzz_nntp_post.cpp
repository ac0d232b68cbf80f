// Prepares arbitrary text for posting and reads the framed bytes back as a server does: the
// result must be the prepared text with every line end made CR LF, whatever the text holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "nntp/ArticleFramer.h"
#include "nntp/ArticleText.h"
#include "nntp/ReplyAssembler.h"

namespace {

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0))
        out += "\r\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses whether the header fields are rebuilt first, as the setting does.
    bool rebuild = data[0] & 1;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string prepared = rebuild ? RebuildHeaderFields(text) : text;
    std::string wire = FrameArticle(prepared);
    // Framed in small pieces (the second byte, when there is one, picks their size), the wire
    // bytes are the same.
    ArticleFramer framer(prepared);
    if (framer.Size() != wire.size())
        abort();
    size_t pieceSize = size > 1 ? 1 + data[1] % 16 : 7;
    std::string pieces;
    char piece[16];
    for (size_t n; (n = framer.Fill(piece, pieceSize)) > 0;) {
        if (n < pieceSize && framer.Fill(piece, pieceSize) != 0)
            abort();  // a short piece is the last one
        pieces.append(piece, n);
    }
    if (pieces != wire)
        abort();

    MultiLineAssembler reply(wire.size() + 64);
    const std::string status = "240 ok\r\n";
    reply.Append(status.data(), status.size());
    if (reply.Append(wire.data(), wire.size()) != MultiLineAssembler::kComplete)
        abort();
    if (reply.Take().substr(status.size()) != WithCrLf(prepared))
        abort();
    return 0;
}
