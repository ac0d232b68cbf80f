// Reading, retrieving and posting against the local INN2 over NNTPS on 563 and over STARTTLS on
// 119, with the certificate that tools/inn.sh tls made, trusted by its fingerprint.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "nntp/ServerAccount.h"
#include "tests/nntp/FakeNewsServer.h"
#include "tests/nntp/RecordingHost.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

std::string InnFingerprint() {
    const char* file = std::getenv("RP_INN_TLS_FINGERPRINT");
    std::ifstream in(file ? file : "");
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(InnTls, ReadsRetrievesAndPostsOverNntpsAndStartTls) {
    std::string fingerprint = InnFingerprint();
    RP_REQUIRE_OR_SKIP(fingerprint.size() == 95, "INN2 has no TLS certificate (tools/inn.sh tls)");
    const struct {
        const char* location;
        int security;
    } cases[] = {{"127.0.0.1:563", kSecurityTls}, {"127.0.0.1", kSecurityStartTls}};
    for (const auto& c : cases) {
        std::string text = std::string("<Setup><Server><ID>i.mb\\</ID><Location>") + c.location +
                           "</Location><Security>" + std::to_string(c.security) + "</Security><TrustedCertificate>" +
                           fingerprint + "</TrustedCertificate></Server></Setup>";
        CXmlConfig config;
        ASSERT_TRUE(config.ParseText(text.c_str()));
        Optex optex;
        RecordingHost host;
        NewsClient client(NewsContext{&config, &optex, &host, &host, &host});

        ASSERT_TRUE(client.GetGroupList(c.location, nullptr)) << c.location;
        const std::vector<std::string>& names = client.GroupNames();
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "rillpost.test")) << c.location;

        host.currentMail = "other";
        EXPECT_TRUE(
            client.RetrieveArticle(c.location, "rillpost.test", "mail-1", "<seed.rillpost.test.1@rillpost.test>", 500))
            << c.location;
        ASSERT_FALSE(host.sources.empty()) << c.location;
        EXPECT_NE(host.sources.back().text.find("seed.rillpost.test.1@rillpost.test"), std::string::npos);

        std::string article = std::string("From: Tls Test <tls@rillpost.test>\r\nNewsgroups: rillpost.test\r\n") +
                              "Subject: posted over " + (c.security == kSecurityTls ? "NNTPS" : "STARTTLS") +
                              "\r\n\r\nThis article crossed the loopback encrypted, as every byte of it must.\r\n";
        EXPECT_TRUE(client.PostArticle(c.location, article, nullptr)) << c.location;
        for (const std::string& event : host.events) {
            if (event.compare(0, 4, "box ") == 0) {
                EXPECT_NE(std::string::npos, event.find("successfully")) << c.location << ": " << event;
            }
        }
    }
}

}  // namespace
