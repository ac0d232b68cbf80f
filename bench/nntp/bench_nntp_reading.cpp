// Reading news against the local INN2 server, compared with a bare client that only moves the
// same bytes: the XOVER update of a 10,000-article group, and the retrieval of a 20 MB article
// (time and peak memory), both in clear; and the OVER update of a varied 100,000-article group
// over COMPRESS DEFLATE against the same update in clear (bytes on the wire and time).
// tools/bench.sh seeds the first two with `tools/inn.sh seed-bench`; the varied group comes from
// `tools/inn_seed.py --varied`.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "bench/nntp/BenchSupport.h"
#include "bench/nntp/RawClient.h"
#include "host/Optex.h"
#include "nntp/BlockingSocket.h"
#include "nntp/NewsClient.h"
#include "nntp/Overview.h"
#include "xml/XmlConfig.h"

// Every C++ allocation of the process is counted, so that the peak of live heap bytes during a
// retrieval can be compared with the article's size. Each block carries its size in front.
namespace {
std::atomic<size_t> gLiveBytes{0};
std::atomic<size_t> gPeakBytes{0};
const size_t kHeader = 16;
}  // namespace

void* operator new(size_t size) {
    auto* block = static_cast<size_t*>(std::malloc(size + kHeader));
    if (!block)
        throw std::bad_alloc();
    *block = size;
    size_t live = gLiveBytes += size;
    size_t peak = gPeakBytes;
    while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
    }
    return reinterpret_cast<char*>(block) + kHeader;
}

void operator delete(void* p) noexcept {
    if (!p)
        return;
    auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - kHeader);
    gLiveBytes -= *block;
    std::free(block);
}

void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, size_t) noexcept {
    operator delete(p);
}

namespace {

const char kServer[] = "127.0.0.1";
const char kOverviewGroup[] = "rillpost.bench";
const char kBigGroup[] = "rillpost.bench.big";
const char kBigArticle[] = "<seed.rillpost.bench.big.1@rillpost.test>";
const char kFolder[] = "bench.mb\\!!!!Inbox\\rillpost.bench\\";

// The bare client: one connection, the commands written out, the multi-line answer read to its
// terminator and thrown away.
size_t BareFetch(const std::string& group, const std::string& command, std::string* kept = nullptr) {
    CBlockingSocket socket;
    ConnectBare(socket, kServer);
    std::string line;
    socket.WriteString("MODE READER\r\n", 30);
    socket.ReadLine(&line, 30);
    socket.WriteString("GROUP " + group + "\r\n", 30);
    socket.ReadLine(&line, 30);
    socket.WriteString(command, 30);
    std::string reply;
    socket.ReadMultiLine(&reply, 30);
    if (kept)
        *kept = reply;
    return reply.size();
}

// The anchor: the same conversation as BareFetch by a client of Winsock alone. Returns the reply's
// size, 0 when something failed.
size_t RawFetch(const std::string& group, const std::string& command) {
    RawClient raw;
    if (!raw.Connect(kServer, 119) || raw.Command("MODE READER\r\n") == 0 ||
        raw.Command("GROUP " + group + "\r\n") == 0 || !raw.Send(command.data(), command.size()))
        return 0;
    return raw.ReceiveBlock();
}

const int kRuns = 5;

std::string GroupRange(const std::string& group) {
    CBlockingSocket socket;
    ConnectBare(socket, kServer);
    std::string line;
    socket.WriteString("GROUP " + group + "\r\n", 30);
    socket.ReadLine(&line, 30);
    return line;
}

void BenchOverview() {
    std::string group = GroupRange(kOverviewGroup);
    unsigned long long count = 0, first = 0, last = 0;
    if (std::sscanf(group.c_str(), "211 %llu %llu %llu", &count, &first, &last) != 3 || count < 10000) {
        std::printf("overview update: group %s is not seeded (%s)\n", kOverviewGroup, group.c_str());
        return;
    }
    std::string range = "XOVER " + std::to_string(last - 9999) + "-" + std::to_string(last) + "\r\n";
    DiscardingHost host;
    CXmlConfig config;
    Optex optex;
    NewsContext context{&config, &optex, &host, &host, &host};
    std::string text = std::string("<Setup><Server><ID>bench.mb\\</ID><Location>") + kServer +
                       "</Location><Extensions>0</Extensions><Subgroup><FolderID>" + kFolder +
                       "</FolderID><GroupName>" + kOverviewGroup + "</GroupName><LastNumber>" +
                       std::to_string(last - 9999) + "</LastNumber></Subgroup></Server></Setup>";
    size_t bareBytes = 0, rawBytes = 0;
    std::vector<double> times =
        Interleaved(kRuns, {[&] {
                                config.ParseText(text.c_str());
                                host.appended = 0;
                                NewsClient client(context);
                                client.UpdateGroupHeaders(kServer, kOverviewGroup, kFolder, 1, nullptr);
                            },
                            [&] { bareBytes = BareFetch(kOverviewGroup, range); },
                            [&] { rawBytes = RawFetch(kOverviewGroup, range); }});
    double ours = times[0], bare = times[1], raw = times[2];
    std::printf(
        "overview update, 10,000 articles: %zu placeholders; ours %.1f ms, raw Winsock XOVER %.1f ms "
        "(%.1f KB), ratio %.2f (goal <= 2); our socket alone %.1f ms; medians of %d turns\n",
        host.appended, ours * 1e3, raw * 1e3, rawBytes / 1024.0, ours / raw, bare * 1e3, kRuns);
    if (rawBytes == 0 || rawBytes < bareBytes)
        std::printf("  warning: the raw client's reply is short (%zu bytes, ours %zu)\n", rawBytes, bareBytes);

    // Where the rest goes: the placeholders built from a reply in memory, then the same with the
    // host calls the update makes for each (this host keeps nothing).
    std::string reply;
    BareFetch(kOverviewGroup, range, &reply);
    auto build = [&](bool withHost) {
        std::string message, subject, id;
        size_t start = reply.find("\r\n");
        while (start != std::string::npos) {
            start += 2;
            size_t end = reply.find("\r\n", start);
            if (end == std::string::npos || end == start)
                break;
            BuildOverviewMessageInto(reply.data() + start, end - start, kOverviewGroup, &message, &subject, &id);
            if (withHost) {
                host.AppendMessage(kFolder, message);
                host.AddNewArticle(id, subject);
            }
            start = end;
        }
    };
    double placeholders = Best(kRuns, [&] { build(false); });
    double withHost = Best(kRuns, [&] { build(true); });
    std::printf(
        "  of which: placeholders built from the reply in memory %.1f ms, with the host calls %.1f ms "
        "(best of %d)\n",
        placeholders * 1e3, withHost * 1e3, kRuns);
}

void BenchRetrieval() {
    DiscardingHost host;
    CXmlConfig config;
    Optex optex;
    config.ParseText(
        (std::string("<Setup><Server><Location>") + kServer + "</Location><Extensions>0</Extensions></Server></Setup>")
            .c_str());
    NewsContext context{&config, &optex, &host, &host, &host};
    size_t bareBytes = BareFetch(kBigGroup, std::string("ARTICLE ") + kBigArticle + "\r\n");
    if (bareBytes < 20u * 1000 * 1000) {
        std::printf("retrieval: the 20 MB article is not seeded (%zu bytes)\n", bareBytes);
        return;
    }
    size_t idle = gLiveBytes;
    gPeakBytes = idle;
    host.bytes = 0;
    Seconds([&] {
        NewsClient client(context);
        client.RetrieveArticle(kServer, kBigGroup, "bench-mail", kBigArticle, static_cast<int>(bareBytes));
    });
    size_t peak = gPeakBytes;
    const std::string command = std::string("ARTICLE ") + kBigArticle + "\r\n";
    size_t rawBytes = 0;
    std::vector<double> times = Interleaved(
        kRuns, {[&] {
                    NewsClient client(context);
                    client.RetrieveArticle(kServer, kBigGroup, "bench-mail", kBigArticle, static_cast<int>(bareBytes));
                },
                [&] { BareFetch(kBigGroup, command); }, [&] { rawBytes = RawFetch(kBigGroup, command); }});
    double ours = times[0], bare = times[1], raw = times[2];
    double ratioMemory = (peak > idle ? peak - idle : 0) / static_cast<double>(bareBytes);
    std::printf(
        "retrieval, %.1f MB article: ours %.1f ms, raw Winsock ARTICLE %.1f ms, ratio %.2f (goal <= 1.5); "
        "our socket alone %.1f ms; medians of %d turns; peak heap above idle %.1f MB = %.2f x the article "
        "(goal <= 2)\n",
        bareBytes / 1048576.0, ours * 1e3, raw * 1e3, ours / raw, bare * 1e3, kRuns, (peak - idle) / 1048576.0,
        ratioMemory);
    if (rawBytes < bareBytes)
        std::printf("  warning: the raw client's reply is short (%zu bytes, ours %zu)\n", rawBytes, bareBytes);
    if (host.bytes == 0)
        std::printf("  warning: the retrieval stored nothing (%s)\n", host.last.c_str());
}

const char kVariedGroup[] = "rillpost.bench.varied";
const int kCompressionRuns = 3;

// One whole update of the varied group, compressed or in clear; the bytes the socket received.
unsigned long long UpdateVaried(DiscardingHost& host, bool compressed, long long first) {
    CXmlConfig config;
    Optex optex;
    std::string text = std::string("<Setup><Server><ID>bench.mb\\</ID><Location>") + kServer + "</Location>" +
                       (compressed ? "" : "<Extensions>0</Extensions>") + "<Subgroup><FolderID>" + kFolder +
                       "</FolderID><GroupName>" + kVariedGroup + "</GroupName><LastNumber>" + std::to_string(first) +
                       "</LastNumber></Subgroup></Server></Setup>";
    config.ParseText(text.c_str());
    host.appended = 0;
    NewsClient client(NewsContext{&config, &optex, &host, &host, &host});
    client.UpdateGroupHeaders(kServer, kVariedGroup, kFolder, 1, nullptr);
    if (client.Socket().IsCompressed() != compressed)
        std::printf("  warning: the update was %s\n", compressed ? "not compressed" : "compressed");
    return client.Socket().RawBytesReceived();
}

void BenchCompression() {
    std::string group = GroupRange(kVariedGroup);
    unsigned long long count = 0, first = 0, last = 0;
    if (std::sscanf(group.c_str(), "211 %llu %llu %llu", &count, &first, &last) != 3 || count < 100000) {
        std::printf("compressed update: group %s is not seeded (%s)\n", kVariedGroup, group.c_str());
        return;
    }
    DiscardingHost host;
    long long from = static_cast<long long>(last) - 99999;
    unsigned long long plainBytes = 0, compressedBytes = 0;
    size_t plainCount = 0, compressedCount = 0;
    std::vector<double> times = Interleaved(kCompressionRuns, {[&] {
                                                                   plainBytes = UpdateVaried(host, false, from);
                                                                   plainCount = host.appended;
                                                               },
                                                               [&] {
                                                                   compressedBytes = UpdateVaried(host, true, from);
                                                                   compressedCount = host.appended;
                                                               }});
    double plain = times[0], compressed = times[1];
    std::printf(
        "overview update, 100,000 varied articles: in clear %.1f MB in %.1f ms (%zu placeholders); over COMPRESS "
        "DEFLATE %.1f MB in %.1f ms (%zu placeholders); bytes ratio %.3f (aim <= 0.35), time ratio %.2f (aim <= 1.1 "
        "on loopback); medians of %d turns\n",
        plainBytes / 1048576.0, plain * 1e3, plainCount, compressedBytes / 1048576.0, compressed * 1e3, compressedCount,
        static_cast<double>(compressedBytes) / static_cast<double>(plainBytes ? plainBytes : 1), compressed / plain,
        kCompressionRuns);
}

}  // namespace

int main() {
    return RunNetworkBench("bench_nntp_reading", "is INN2 running and seeded?", [] {
        BenchRetrieval();
        BenchOverview();
        BenchCompression();
        return 0;
    });
}
