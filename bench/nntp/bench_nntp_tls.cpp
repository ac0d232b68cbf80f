// Retrieval of the 20 MB article of rillpost.bench.big from the local INN2 with the real client,
// over NNTPS (127.0.0.1:563, `tools/inn.sh tls`) against the same retrieval in plain text on
// 119. The benchmark's display trusts the server's certificate when asked.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/nntp/BenchSupport.h"
#include "bench/nntp/RawClient.h"
#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "xml/XmlConfig.h"

namespace {

const char kBigGroup[] = "rillpost.bench.big";
const char kBigArticle[] = "<seed.rillpost.bench.big.1@rillpost.test>";

class TrustingHost : public DiscardingHost {
public:
    bool AskTrustCertificate(const std::string&, const std::string&, const std::string&, const std::string&) override {
        return true;
    }
};

// One retrieval over its own connection to `location`, through a configuration of its own. With
// `extensions` the client asks CAPABILITIES and, as INN2 offers it, COMPRESS DEFLATE; without,
// it has the raw client's conversation.
class Retrieval {
public:
    Retrieval(const std::string& location, int security, bool extensions) : location_(location) {
        std::string text = "<Setup><Server><ID>b.mb\\</ID><Location>" + location + "</Location><Security>" +
                           std::to_string(security) + "</Security><Extensions>" + (extensions ? "1" : "0") +
                           "</Extensions></Server></Setup>";
        config_.ParseText(text.c_str());
    }
    void Run() {
        host_.bytes = 0;
        NewsClient client(NewsContext{&config_, &optex_, &host_, &host_, &host_});
        client.RetrieveArticle(location_, kBigGroup, "bench-mail", kBigArticle, 20 * 1000 * 1000);
        if (host_.bytes < 20u * 1000 * 1000) {
            if (stored_)
                std::printf("  %s stored nothing: %s\n", location_.c_str(), host_.last.c_str());
            stored_ = false;
        }
    }
    bool Stored() const { return stored_; }

private:
    std::string location_;
    TrustingHost host_;
    CXmlConfig config_;
    Optex optex_;
    bool stored_ = true;
};

// The anchor: the same article in plain text by a client of Winsock alone; 0 when it failed.
size_t RawRetrieve() {
    RawClient raw;
    std::string command = std::string("ARTICLE ") + kBigArticle + "\r\n";
    if (!raw.Connect("127.0.0.1", 119) || raw.Command("MODE READER\r\n") == 0 ||
        raw.Command(std::string("GROUP ") + kBigGroup + "\r\n") == 0 || !raw.Send(command.data(), command.size()))
        return 0;
    return raw.ReceiveBlock();
}

int RunTls() {
    Retrieval plain("127.0.0.1", 0, false);
    Retrieval tls("127.0.0.1:563", 1, false);
    Retrieval compressed("127.0.0.1", 0, true);
    size_t rawBytes = 0;
    // The first retrieval of the process receives into memory the heap has just taken from the
    // system; the turns after it reuse the buffer the first one gave back, as a user's second
    // article does.
    double first = Seconds([&] { plain.Run(); });
    // Medians of five turns, each retrieval from connect to the reply's end.
    std::vector<double> times = Interleaved(
        5, {[&] { plain.Run(); }, [&] { tls.Run(); }, [&] { rawBytes = RawRetrieve(); }, [&] { compressed.Run(); }});
    bool ok = plain.Stored() && tls.Stored() && compressed.Stored() && rawBytes >= 20u * 1000 * 1000;
    if (ok) {
        std::printf(
            "retrieval of the 20 MB article: plain %.1f ms, TLS %.1f ms, raw Winsock plain %.1f ms; "
            "plain / raw %.2f (goal <= 1.5), TLS / raw %.2f\n",
            times[0] * 1e3, times[1] * 1e3, times[2] * 1e3, times[0] / times[2], times[1] / times[2]);
        std::printf(
            "  first retrieval of the process, into fresh memory: %.1f ms (%.2f x raw); with CAPABILITIES and "
            "COMPRESS DEFLATE (INN2 deflating on this machine): %.1f ms (%.2f x raw)\n",
            first * 1e3, first / times[2], times[3] * 1e3, times[3] / times[2]);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main() {
    return RunNetworkBench("bench_nntp_tls", "is INN2 running with TLS on 563?", RunTls);
}
