// Reading news against the local INN2 server, compared with a bare client that only moves the
// same bytes: the XOVER update of a 10,000-article group, and the retrieval of a 20 MB article
// (time and peak memory). tools/bench.sh seeds both with `tools/inn.sh seed-bench`.
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
size_t BareFetch(const std::string& group, const std::string& command) {
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
                       "</Location><Subgroup><FolderID>" + kFolder + "</FolderID><GroupName>" + kOverviewGroup +
                       "</GroupName><LastNumber>" + std::to_string(last - 9999) +
                       "</LastNumber></Subgroup></Server></Setup>";
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
}

void BenchRetrieval() {
    DiscardingHost host;
    CXmlConfig config;
    Optex optex;
    config.ParseText("<Setup/>");
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

}  // namespace

int main() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    try {
        BenchRetrieval();
        BenchOverview();
    } catch (CBlockingSocketException* failure) {
        char text[200];
        failure->GetErrorMessage(text, sizeof text);
        std::printf("bench_nntp_reading: %s (is INN2 running and seeded?)\n", text);
        delete failure;
        return 1;
    }
    WSACleanup();
    return 0;
}
