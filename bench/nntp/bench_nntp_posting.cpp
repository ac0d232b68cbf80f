// Posting a 5 MB article to the local INN2 server with the real client (progress view, header
// rebuild on and off) against a raw Winsock client that sends the same framed bytes in 64 KB
// pieces and reads the verdict. Both are timed from connect to the verdict. A bare client on our
// own socket class shows how much of the rest is the socket layer. tools/bench.sh creates the
// group with `tools/inn.sh seed-bench`.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bench/nntp/BenchSupport.h"
#include "bench/nntp/RawClient.h"
#include "host/Optex.h"
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

// The anchor: the same conversation by a client of Winsock alone. Returns true on "240".
bool RawPost(const std::string& framed) {
    RawClient raw;
    if (!raw.Connect(kServer, 119) || raw.Command("POST\r\n") == 0 || !raw.Replied("340"))
        return false;
    return raw.Send(framed.data(), framed.size()) && raw.ReceiveLine() > 0 && raw.Replied("240");
}

int RunPosting() {
    {
        const std::string article = MakeArticle();
        const std::string framed = FrameArticle(article);
        std::string verdict = BarePost(framed);
        if (verdict.compare(0, 3, "240") != 0) {
            std::printf("posting: INN2 did not take the article (%s)\n", verdict.c_str());
            return 1;
        }
        DiscardingHost host;
        CXmlConfig config;
        config.ParseText(
            (std::string("<Setup><Server><ID>bench.mb\\</ID><Location>") + kServer + "</Location></Server></Setup>")
                .c_str());
        Optex optex;
        NewsContext context{&config, &optex, &host, &host, &host};
        KeepingView view;
        auto post = [&](bool encode) {
            host.encodeHeader = encode;
            NewsClient client(context);
            client.PostArticle(kServer, article, &view);
        };
        // The runs take turns, so that a busy moment of the machine or of the server falls on
        // all of them alike; each figure is the median of its runs. The server files an article
        // after its reply, so a pause lets it finish before the next one.
        const int kRuns = 7;
        int rawFailures = 0;
        std::vector<std::function<void()>> works = {
            [&] { rawFailures += RawPost(framed) ? 0 : 1; },
            [&] { BarePost(framed); },
            [&] { post(false); },
            [&] { post(true); },
        };
        std::vector<std::vector<double>> runs(works.size());
        for (int run = 0; run < kRuns; ++run)
            for (size_t i = 0; i < works.size(); ++i) {
                Sleep(300);
                runs[i].push_back(Seconds(works[i]));
            }
        std::vector<double> median;
        for (std::vector<double>& r : runs) {
            std::sort(r.begin(), r.end());
            median.push_back(r[r.size() / 2]);
        }
        double raw = median[0];
        for (int encode = 0; encode < 2; ++encode)
            std::printf(
                "posting, %.1f MB article%s: ours %.1f ms, raw Winsock POST %.1f ms, ratio %.2f "
                "(goal <= 1.2); medians of %d turns\n",
                framed.size() / 1e6, encode ? ", header rebuilt" : "", median[2 + encode] * 1e3, raw * 1e3,
                median[2 + encode] / raw, kRuns);
        std::printf("  bare POST on our socket, all in one write: %.1f ms\n", median[1] * 1e3);
        if (rawFailures != 0)
            std::printf("  warning: the raw client's posting failed %d times\n", rawFailures);
        std::string sink;
        double subject = Best(3, [&] { sink = ArticleSubject(article); });
        double frame = Best(3, [&] { sink = FrameArticle(article); });
        double rebuild = Best(3, [&] { sink = RebuildHeaderFields(article); });
        std::printf("  of which: subject %.1f ms, framing %.1f ms, header rebuild %.1f ms\n", subject * 1e3,
                    frame * 1e3, rebuild * 1e3);
        if (host.returned != 0)
            std::printf("  warning: %d postings failed and were given back\n", host.returned);
    }
    return 0;
}

}  // namespace

int main() {
    return RunNetworkBench("bench_nntp_posting", "is INN2 running?", RunPosting);
}
