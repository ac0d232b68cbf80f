// A GROUP answer from a hostile server and the XOVER range chosen from it. The first bytes pick
// the stored LastNumber, MaxNum and download style; the rest is the reply line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "nntp/GroupReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    long long lastNumber = (static_cast<long long>(data[0]) << 8 | data[1]) - 16;
    int maxNum = data[2] - 8;
    int style = data[3] & 1;
    std::string line(reinterpret_cast<const char*>(data + 4), size - 4);

    GroupReply reply = ParseGroupReply(line);
    if (!reply.selected) {
        if (reply.count || reply.first || reply.last)
            abort();
        return 0;
    }
    if (reply.code != 211 || reply.count < 0 || reply.last < 0)
        abort();
    XoverRange range = ChooseXoverRange(lastNumber, reply, maxNum, style);
    if (range.newLastNumber != reply.last + 1 || range.end != reply.last || range.start < 1)
        abort();
    if (range.send != (range.start <= range.end))
        abort();
    if (range.send) {
        long long limit = maxNum < 0 ? 0 : maxNum;
        // At most MaxNum articles unless everything since LastNumber was asked for.
        bool unlimited = lastNumber > 0 && style != 0;
        if (!unlimited && range.end - range.start + 1 > limit)
            abort();
        long long start = 0, end = 0;
        std::string command = FormatXoverCommand(range);
        if (std::sscanf(command.c_str(), "XOVER %lld-%lld", &start, &end) != 2 || start != range.start ||
            end != range.end || command.substr(command.size() - 2) != "\r\n")
            abort();
    }
    return 0;
}
