// Assembling and parsing a LIST reply of 100 000 groups fed in 4096-byte pieces, as a large
// server sends it. Prints the time per reply and the throughput.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "nntp/NntpText.h"
#include "nntp/ReplyAssembler.h"

int main() {
    std::string wire = "215 newsgroups follow\r\n";
    for (int i = 0; i < 100000; ++i)
        wire += "hierarchy.sub" + std::to_string(i % 97) + ".group" + std::to_string(i) + " 123456 1000 y\r\n";
    wire += ".\r\n";

    const int rounds = 20;
    size_t names = 0;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        MultiLineAssembler reply(64 * 1024 * 1024);
        for (size_t at = 0; at < wire.size(); at += 4096)
            reply.Append(wire.data() + at, std::min<size_t>(4096, wire.size() - at));
        std::vector<std::string> list;
        ParseGroupList(reply.Take(), &list);
        names += list.size();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("bench_nntp_reply: %zu bytes, %zu groups per reply: %.2f ms per reply, %.1f MB/s\n", wire.size(),
                names / rounds, seconds * 1000 / rounds, wire.size() * rounds / seconds / 1e6);
    return 0;
}
