// A group-list fetch from a real INN2 server on 127.0.0.1:119, when one answers there.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <algorithm>

#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "tests/nntp/FakeNewsServer.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

class SilentDisplay : public NewsDisplay {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetHostMessage(const std::string&) override {}
    std::string CurrentMail() override { return std::string(); }
    std::vector<std::string> messages;
};

bool ServerAnswers() {
    try {
        CBlockingSocket probe;
        probe.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", NewsClient::kNntpPort);
        probe.Connect(reinterpret_cast<const SOCKADDR*>(&address));
        std::string greeting;
        probe.ReadLine(&greeting, 5);
        return greeting.compare(0, 3, "200") == 0 || greeting.compare(0, 3, "201") == 0;
    } catch (CBlockingSocketException* thrown) {
        delete thrown;
        return false;
    }
}

TEST(InnList, FindsTheSeededGroups) {
    RP_REQUIRE_OR_SKIP(ServerAnswers(), "no news server answers on 127.0.0.1:119");
    CXmlConfig config;
    config.ParseText("<Setup><Server><ID>1</ID><Location>127.0.0.1</Location></Server></Setup>");
    Optex optex;
    SilentDisplay display;
    NewsClient client(NewsContext{&config, &optex, &display});
    ASSERT_TRUE(client.GetGroupList("127.0.0.1", nullptr));
    EXPECT_TRUE(display.messages.empty()) << display.messages[0];
    const std::vector<std::string>& names = client.GroupNames();
    for (const char* group : {"rillpost.test", "rillpost.demo", "cn.rillpost.chat"})
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), group)) << group;
}

}  // namespace
