// yEnc blocks with hostile header, part and trailer lines: every block found lies inside the
// text and the walk moves on; decoding never gives more bytes than it read; a file accepted as
// whole has exactly its declared size and, when given, its CRC.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "nntp/Ydecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16))
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string out;
    if (YdecodeData(text.data(), text.size(), &out) ? out.size() > text.size() : !out.empty())
        abort();
    YencBlock block;
    for (size_t from = 0; FindYencBlock(text, from, &block); from = block.end) {
        if (block.begin < from && from != 0)
            abort();
        if (block.end <= block.begin || block.end > text.size() || block.dataBegin > text.size() ||
            block.dataEnd > text.size() || block.dataEnd > block.end)
            abort();
        if (DecodeSingleYencFile(text, block, &out)) {
            if (block.isPart || out.size() != block.size ||
                (block.hasCrc && Crc32(out.data(), out.size()) != block.crc))
                abort();
        } else if (!out.empty()) {
            abort();
        }
    }
    return 0;
}
