// Posting a 5 MB article to the local INN2 server with the real client (progress view, pieces of
// 16 KB, header rebuild on and off) against a bare client that writes the same framed bytes in
// one go and reads the verdict. tools/bench.sh creates the group with `tools/inn.sh seed-bench`.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host/Optex.h"
#include "bench/nntp/BenchSupport.h"
#include "nntp/ArticleFramer.h"
#include "nntp/ArticleText.h"
#include "nntp/BlockingSocket.h"
#include "nntp/NewsClient.h"
#include "xml/XmlConfig.h"

namespace {

const char kServer[] = "127.0.0.1";
const char kGroup[] = "rillpost.bench";
const size_t kArticleBytes = 5u * 1000 * 1000;

// Keeps what the posting window would show, under a lock, as the window's shared state does.
class KeepingView : public PostingView {
public:
    void SetTitle(const std::string& text) override { Keep(&title_, text); }
    void Show() override {}
    void SetStatus(const std::string& text) override { Keep(&status_, text); }
    void SetProgress(int percent) override {
        std::lock_guard<std::mutex> hold(lock_);
        percent_ = percent;
    }
    void Hide() override {}
    bool IsCancelled() override { return false; }

private:
    void Keep(std::string* field, const std::string& text) {
        std::lock_guard<std::mutex> hold(lock_);
        *field = text;
    }
    std::mutex lock_;
    std::string title_, status_;
    int percent_ = 0;
};

std::string MakeArticle() {
    std::string article = std::string("From: Bench <bench@rillpost.test>\r\nNewsgroups: ") + kGroup +
                          "\r\nSubject: posting benchmark\r\n\r\n";
    std::string line(74, 'x');
    for (int n = 0; article.size() < kArticleBytes; ++n) {
        line[0] = n % 3 == 0 ? '.' : 'a' + n % 26;  // some lines start with a dot
        article += line + "\r\n";
    }
    return article;
}

// The bare client: greeting, POST, the framed article in writes of `piece` bytes (all of it at
// once when 0), the verdict.
std::string BarePost(const std::string& framed, size_t piece = 0) {
    CBlockingSocket socket;
    ConnectBare(socket, kServer);
    std::string line;
    socket.WriteString("POST\r\n", 30);
    socket.ReadLine(&line, 30);
    if (line.compare(0, 3, "340") != 0)
        return line;
    if (piece == 0)
        piece = framed.size();
    for (size_t sent = 0; sent < framed.size(); sent += piece) {
        size_t n = framed.size() - sent < piece ? framed.size() - sent : piece;
        socket.Write(framed.data() + sent, static_cast<int>(n), 60);
    }
    socket.ReadLine(&line, 60);
    return line;
}

}  // namespace

int main() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    try {
        const std::string article = MakeArticle();
        const std::string framed = FrameArticle(article);
        std::string verdict = BarePost(framed);
        if (verdict.compare(0, 3, "240") != 0) {
            std::printf("posting: INN2 did not take the article (%s)\n", verdict.c_str());
            return 1;
        }
        DiscardingHost host;
        CXmlConfig config;
        config.ParseText((std::string("<Setup><Server><ID>bench.mb\\</ID><Location>") + kServer +
                          "</Location></Server></Setup>").c_str());
        Optex optex;
        NewsContext context{&config, &optex, &host, &host, &host};
        KeepingView view;
        auto post = [&](bool encode) {
            host.encodeHeader = encode;
            NewsClient client(context);
            client.PostArticle(kServer, article, &view);
        };
        // The runs take turns, so that a busy moment of the machine or of the server falls on
        // all of them alike. Each time is the best of its runs. The server's own time varies by
        // tens of milliseconds from one article to the next, so two ratios are shown: of the best
        // times, and the median of the ratios within one turn.
        const int kRuns = 7;
        double bare = 1e9, barePieces = 1e9, ours[2] = {1e9, 1e9};
        std::vector<double> ratios[2];
        // The server files an article after its reply; a pause lets it finish before the next one.
        auto settled = [](const std::function<void()>& work) {
            Sleep(300);
            return Seconds(work);
        };
        for (int run = 0; run < kRuns; ++run) {
            double b = settled([&] { BarePost(framed); });
            bare = std::min(bare, b);
            barePieces = std::min(barePieces, settled([&] { BarePost(framed, 16384); }));
            for (int encode = 0; encode < 2; ++encode) {
                double o = settled([&] { post(encode != 0); });
                ours[encode] = std::min(ours[encode], o);
                ratios[encode].push_back(o / b);
            }
        }
        for (int encode = 0; encode < 2; ++encode) {
            std::vector<double>& r = ratios[encode];
            std::sort(r.begin(), r.end());
            std::printf("posting, %.1f MB article%s: ours %.1f ms, bare POST %.1f ms, ratio %.2f of the best times, "
                        "%.2f median of the turns (goal <= 1.2)\n",
                        framed.size() / 1e6, encode ? ", header rebuilt" : "", ours[encode] * 1e3, bare * 1e3,
                        ours[encode] / bare, r[r.size() / 2]);
        }
        std::printf("  bare POST in 16 KB writes: %.1f ms\n", barePieces * 1e3);
        std::string sink;
        double subject = Best(3, [&] { sink = ArticleSubject(article); });
        double frame = Best(3, [&] { sink = FrameArticle(article); });
        double rebuild = Best(3, [&] { sink = RebuildHeaderFields(article); });
        std::printf("  of which: subject %.1f ms, framing %.1f ms, header rebuild %.1f ms\n", subject * 1e3,
                    frame * 1e3, rebuild * 1e3);
        if (host.returned != 0)
            std::printf("  warning: %d postings failed and were given back\n", host.returned);
    } catch (CBlockingSocketException* failure) {
        char text[200];
        failure->GetErrorMessage(text, sizeof text);
        std::printf("bench_nntp_posting: %s (is INN2 running?)\n", text);
        delete failure;
        return 1;
    }
    WSACleanup();
    return 0;
}
