// Building placeholder messages from an XOVER reply of 10 000 overview lines, as a large first
// update of a busy group does. Prints the time per line.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "nntp/Overview.h"

int main() {
    std::string reply = "224 Overview information follows\r\n";
    for (int i = 0; i < 10000; ++i) {
        std::string n = std::to_string(100000 + i);
        reply += n + "\tRe: =?gb2312?B?xOO6w8rAvec=?= thread " + std::to_string(i % 50) + "\tPoster " +
                 std::to_string(i % 300) + " <poster@example.org>\tMon, 01 Jan 2024 10:00:00 +0800\t<" + n +
                 "@example.org>\t<" + std::to_string(100000 + i / 2) + "@example.org>\t" +
                 std::to_string(1000 + i % 9000) + "\t" + std::to_string(10 + i % 90) + "\tXref: news alt.test:" + n +
                 "\r\n";
    }

    const int rounds = 5;
    size_t bytes = 0;
    size_t lines = 0;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> overview = SplitOverviewReply(reply);
        for (const std::string& line : overview) {
            std::string subject, id;
            bytes += BuildOverviewMessage(line, "alt.test", &subject, &id).size();
        }
        lines += overview.size();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "bench_nntp_overview: %zu lines per reply, %.2f us per line, %.1f ms per reply (%zu bytes of messages)\n",
        lines / rounds, seconds * 1e6 / lines, seconds * 1000 / rounds, bytes / rounds);
    return 0;
}
