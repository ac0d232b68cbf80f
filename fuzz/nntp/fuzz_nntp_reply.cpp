// Feeds arbitrary server bytes through the reply readers in pieces whose sizes come from the
// input itself, then through the group-list parser, and checks the readers' promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ReplyAssembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the piece size, so that splits at every position get explored.
    size_t step = data[0] % 64 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1;

    const size_t cap = 4096;
    MultiLineAssembler reply(cap);
    LineAssembler line(256);
    for (size_t at = 0; at < length; at += step) {
        size_t piece = length - at < step ? length - at : step;
        reply.Append(text + at, piece);
        size_t taken = line.Append(text + at, piece);
        if (taken > piece)
            abort();
    }
    if (line.Line().size() > 256)
        abort();
    if (reply.GetState() == MultiLineAssembler::kComplete) {
        size_t assembled = reply.Size();
        std::string whole = reply.Take();
        // A complete reply holds at least its status line, and unstuffing only shortens it.
        if (whole.find('\n') == std::string::npos || whole.size() > assembled || assembled > cap + step)
            abort();
        std::vector<std::string> names;
        ParseGroupList(whole, &names);
        for (const std::string& name : names)
            if (name.find_first_of(" \t\r\n") != std::string::npos)
                abort();
    }
    int code = 0;
    if (ParseReplyCode(text, length, &code) && (code < 100 || code > 599))
        abort();
    return 0;
}
