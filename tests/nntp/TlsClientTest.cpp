#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "nntp/ServerAccount.h"
#include "tests/nntp/FakeNewsServer.h"
#include "tests/nntp/RecordingHost.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kArticle[] =
    "From: Poster <poster@example.com>\r\nNewsgroups: tls.test\r\nSubject: Secret\r\n\r\n"
    "A body line long enough that the article passes a hundred bytes, sent over TLS only.\r\n";

// tls_nntp_server.py's files, in RP_TLS_NNTP_DIR.
std::string FileText(const std::string& name) {
    const char* dir = std::getenv("RP_TLS_NNTP_DIR");
    std::ifstream file((dir && *dir ? std::string(dir) + "/" : std::string()) + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A host that answers the certificate question as told and remembers what it was asked.
class TrustingHost : public RecordingHost {
public:
    bool AskTrustCertificate(const std::string& server,
                             const std::string& problem,
                             const std::string& fingerprint,
                             const std::string&) override {
        asked.push_back(server + " | " + problem + " | " + fingerprint);
        return answer;
    }
    std::vector<std::string> asked;
    bool answer = false;
};

class TlsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::istringstream ports(FileText("tls_nntp_ports.txt"));
        std::string name;
        unsigned short port;
        while (ports >> name >> port)
            ports_[name] = port;
        RP_REQUIRE_OR_SKIP(!ports_.empty(), "the scripted TLS news server is not running");
        goodFingerprint_ = FileText("good.sha256");
        goodFingerprint_ = goodFingerprint_.substr(0, goodFingerprint_.find('\n'));
    }
    // The server record for `scenario`: its port in the Location, and the given mode and trust.
    std::string Use(const std::string& scenario, int security, const std::string& trusted, int authentication = 1) {
        std::string location = "127.0.0.1:" + std::to_string(ports_[scenario]);
        std::string text = "<Setup><Server><ID>s.mb\\</ID><Location>" + location + "</Location><Authenication>" +
                           std::to_string(authentication) +
                           "</Authenication><Username>alice</Username><Password>secret</Password><Security>" +
                           std::to_string(security) + "</Security>" +
                           (trusted.empty() ? "" : "<TrustedCertificate>" + trusted + "</TrustedCertificate>") +
                           "</Server></Setup>";
        EXPECT_TRUE(config_.ParseText(text.c_str()));
        host_.Reset();
        host_.asked.clear();
        return location;
    }
    std::string Log(const std::string& scenario) { return FileText("log_" + scenario + ".txt"); }
    bool Shown(const std::string& part) {
        for (const std::string& event : host_.events) {
            if (event.compare(0, 4, "box ") == 0 && event.find(part) != std::string::npos)
                return true;
        }
        return false;
    }

    std::map<std::string, unsigned short> ports_;
    std::string goodFingerprint_;
    CXmlConfig config_;
    Optex optex_;
    TrustingHost host_;
    NewsClient client_{NewsContext{&config_, &optex_, &host_, &host_, &host_}};
};

TEST_F(TlsClientTest, NntpsReadsRetrievesAndPostsWithTheLoginOnlyInsideTls) {
    std::string location = Use("nntps", kSecurityTls, goodFingerprint_);
    client_.SetTimeout(10);
    ASSERT_TRUE(client_.GetGroupList(location, nullptr));
    EXPECT_EQ((std::vector<std::string>{"tls.test", "alt.secure"}), client_.GroupNames());
    EXPECT_EQ(
        "tls:CAPABILITIES|tls:AUTHINFO USER alice|tls:AUTHINFO PASS "
        "secret|tls:CAPABILITIES|tls:LIST",
        Log("nntps"));

    host_.currentMail = "mail-1";
    host_.sources.push_back({"mail-1", "X-RILLPOST-FLAG: TRUE\r\n\r\n"});
    EXPECT_TRUE(client_.RetrieveArticle(location, "tls.test", "mail-1", "<1@tls.invalid>", 100));
    EXPECT_NE(Log("nntps").find("tls:ARTICLE <1@tls.invalid>"), std::string::npos) << Log("nntps");

    EXPECT_TRUE(client_.PostArticle(location, kArticle, nullptr));
    EXPECT_NE(FileText("posted_nntps.txt").find("sent over TLS only"), std::string::npos);
    EXPECT_TRUE(host_.asked.empty()) << "the trusted fingerprint passes without a question";
}

TEST_F(TlsClientTest, StartTlsGoesOnOnlyWhenOfferedAndAccepted) {
    const struct {
        const char* scenario;
        bool ok;
        const char* shown;
        const char* log;
    } cases[] = {
        // The list is asked after the greeting (it says READER: no MODE READER), after TLS and after
        // the login.
        {"starttls", true, "",
         "CAPABILITIES|STARTTLS|tls:CAPABILITIES|tls:AUTHINFO USER alice|tls:AUTHINFO PASS "
         "secret|tls:CAPABILITIES|tls:LIST"},
        {"nostarttls", false, "does not offer STARTTLS", "CAPABILITIES"},
        {"refused", false, "refused STARTTLS", "CAPABILITIES|STARTTLS"},
        // Bytes behind the 382 are neither handshake nor trustworthy text.
        {"cleartail", false, "in clear after agreeing to start TLS", "CAPABILITIES|STARTTLS"},
    };
    for (const auto& c : cases) {
        std::string location = Use(c.scenario, kSecurityStartTls, goodFingerprint_);
        client_.SetTimeout(10);
        EXPECT_EQ(c.ok, client_.GetGroupList(location, nullptr)) << c.scenario;
        EXPECT_EQ(c.log, Log(c.scenario)) << c.scenario;
        if (!c.ok) {
            EXPECT_TRUE(Shown(c.shown)) << c.scenario;
        }
    }
}

TEST_F(TlsClientTest, AFailingCertificateIsPutToTheUserBeforeAnythingIsSent) {
    // The trusted fingerprint is the good certificate's: a different certificate asks again.
    const struct {
        const char* scenario;
        const char* trusted;
        const char* problem;
    } cases[] = {
        {"nntps", "", "not issued by an authority"},
        {"expired", "good", "expired"},
        {"wrongname", "good", "another name"},
        // Its revocation list cannot be fetched: that is not one more problem.
        {"crl", "", "| The certificate is not issued by an authority this computer trusts. |"},
    };
    for (const auto& c : cases) {
        std::string trusted = std::string(c.trusted) == "good" ? goodFingerprint_ : "";
        std::string location = Use(c.scenario, kSecurityTls, trusted);
        client_.SetTimeout(10);
        EXPECT_FALSE(client_.GetGroupList(location, nullptr)) << c.scenario;
        ASSERT_EQ(1u, host_.asked.size()) << c.scenario;
        EXPECT_NE(host_.asked[0].find(c.problem), std::string::npos) << host_.asked[0];
        EXPECT_EQ("", Log(c.scenario)) << c.scenario;
        EXPECT_TRUE(Shown("not trusted")) << c.scenario;
    }

    // Trusted once: remembered by fingerprint, and not asked again.
    std::string location = Use("nntps", kSecurityTls, "");
    host_.answer = true;
    EXPECT_TRUE(client_.GetGroupList(location, nullptr));
    EXPECT_NE(host_.asked.at(0).find(goodFingerprint_), std::string::npos);
    EXPECT_EQ(goodFingerprint_, ReadServerAccount(config_, location).trustedCertificate);
    EXPECT_TRUE(host_.Saw("save"));
    host_.asked.clear();
    EXPECT_TRUE(client_.GetGroupList(location, nullptr));
    EXPECT_TRUE(host_.asked.empty());
}

TEST_F(TlsClientTest, BrokenTlsEndsCleanlyWithItsMessage) {
    const struct {
        const char* scenario;
        const char* shown;
    } cases[] = {
        {"cut0", "closed the connection during the TLS handshake"},
        {"cut5", "closed the connection during the TLS handshake"},
        {"cut100", "closed the connection during the TLS handshake"},
        {"cut1000", "closed the connection during the TLS handshake"},
        {"garbage", "did not answer with TLS"},
        {"silent", "Receive timeout"},
        {"midrecord", "in the middle of a record"},
        {"closenotify", ""},  // the socket's own text for a reply cut short, as without TLS
    };
    for (const auto& c : cases) {
        std::string location = Use(c.scenario, kSecurityTls, goodFingerprint_, 0);
        client_.SetTimeout(2);
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(client_.GetGroupList(location, nullptr)) << c.scenario;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.scenario;
        EXPECT_TRUE(Shown(c.shown)) << c.scenario << ": " << (host_.events.empty() ? "" : host_.events.back());
    }
}

// A real server that asks for a new handshake in the middle of a reply (openssl s_server's
// console "r", and "R" asking for a client certificate too). Wine's secure channel cannot
// renegotiate as a client: there the connection must still end at once with the handshake's
// message, never wait for a server that waits for us.
TEST_F(TlsClientTest, ARenegotiationMidReplyGoesOnOrEndsWithoutWaiting) {
    for (const char* scenario : {"renegotiate", "renegotiate_cert"}) {
        std::string location = Use(scenario, kSecurityTls, goodFingerprint_, 0);
        NewsClient client(NewsContext{&config_, &optex_, &host_, &host_, &host_});
        client.SetTimeout(30);
        if (client.GetGroupList(location, nullptr)) {
            EXPECT_EQ(std::vector<std::string>{"alt.renegotiated"}, client.GroupNames()) << scenario;
        } else {
            EXPECT_TRUE(Shown("TLS handshake")) << scenario << ": " << host_.events.back();
        }
        EXPECT_EQ("CAPABILITIES|MODE READER|LIST", Log(scenario)) << scenario;
    }
}

}  // namespace
