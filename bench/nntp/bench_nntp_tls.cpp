// Retrieval of the 20 MB article of rillpost.bench.big from the local INN2 with the real client,
// over NNTPS (127.0.0.1:563, `tools/inn.sh tls`) against the same retrieval in plain text on
// 119. The benchmark's display trusts the server's certificate when asked.
#include <cstdio>
#include <string>

#include "bench/nntp/BenchSupport.h"
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

// The best of three retrievals from `location`; 0 when one stored nothing.
double Retrieve(const std::string& location, int security) {
    TrustingHost host;
    CXmlConfig config;
    Optex optex;
    std::string text = "<Setup><Server><ID>b.mb\\</ID><Location>" + location + "</Location><Security>" +
                       std::to_string(security) + "</Security></Server></Setup>";
    config.ParseText(text.c_str());
    bool stored = true;
    double best = Best(3, [&] {
        host.bytes = 0;
        NewsClient client(NewsContext{&config, &optex, &host, &host, &host});
        client.RetrieveArticle(location, kBigGroup, "bench-mail", kBigArticle, 20 * 1000 * 1000);
        stored = stored && host.bytes >= 20u * 1000 * 1000;
    });
    if (!stored)
        std::printf("  %s stored nothing: %s\n", location.c_str(), host.last.c_str());
    return stored ? best : 0;
}

}  // namespace

int main() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    double plain = Retrieve("127.0.0.1", 0);
    double tls = Retrieve("127.0.0.1:563", 1);
    if (plain > 0 && tls > 0)
        std::printf("retrieval of the 20 MB article: TLS %.1f ms, plain %.1f ms, ratio %.2f (goal <= 1.5)\n", tls * 1e3,
                    plain * 1e3, tls / plain);
    WSACleanup();
    return plain > 0 && tls > 0 ? 0 : 1;
}
