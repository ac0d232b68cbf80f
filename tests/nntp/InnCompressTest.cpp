// A group update from the real INN2 server on 127.0.0.1:119 over COMPRESS DEFLATE, against the
// same update in clear.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <string>
#include <vector>

#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "tests/nntp/FakeNewsServer.h"
#include "tests/nntp/RecordingHost.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kFolder[] = "i.mb\\!!!!Inbox\\rillpost.test\\";

bool ServerOffersCompression() {
    try {
        CBlockingSocket probe;
        probe.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", NewsClient::kNntpPort);
        probe.Connect(reinterpret_cast<const SOCKADDR*>(&address));
        std::string line;
        probe.ReadLine(&line, 5);
        probe.WriteString("CAPABILITIES\r\n", 5);
        probe.ReadMultiLine(&line, 5);
        return line.find("COMPRESS DEFLATE") != std::string::npos;
    } catch (CBlockingSocketException* thrown) {
        delete thrown;
        return false;
    }
}

struct Update {
    std::vector<RecordingHost::Append> appends;
    bool compressed = false;
    unsigned long long compressedIn = 0;
    unsigned long long inflated = 0;
};

Update UpdateGroup(const char* record) {
    CXmlConfig config;
    std::string text = std::string("<Setup><Server><ID>i.mb\\</ID><Location>127.0.0.1</Location>") + record +
                       "<Subgroup><FolderID>" + kFolder +
                       "</FolderID><GroupName>rillpost.test</GroupName></Subgroup></Server></Setup>";
    EXPECT_TRUE(config.ParseText(text.c_str()));
    Optex optex;
    RecordingHost host;
    NewsClient client(NewsContext{&config, &optex, &host, &host, &host});
    EXPECT_TRUE(client.UpdateGroupHeaders("127.0.0.1", "rillpost.test", kFolder, 0, nullptr));
    Update update;
    update.appends = host.appends;
    update.compressed = client.Socket().IsCompressed();
    update.compressedIn = client.Socket().CompressedBytesReceived();
    update.inflated = client.Socket().InflatedBytes();
    return update;
}

TEST(InnCompress, AnUpdateOverDeflateBringsThePlaceholdersOfAPlainOne) {
    RP_REQUIRE_OR_SKIP(ServerOffersCompression(), "no news server offering COMPRESS DEFLATE on 127.0.0.1:119");
    Update plain = UpdateGroup("<Extensions>0</Extensions>");
    Update compressed = UpdateGroup("");
    EXPECT_FALSE(plain.compressed);
    ASSERT_TRUE(compressed.compressed);
    // What came compressed is less than it inflated to. (Not everything the socket received: the
    // greeting and the capability list come in clear, and outweigh the saving while the group
    // holds only its five seeded articles.)
    EXPECT_GT(compressed.compressedIn, 0u);
    EXPECT_LT(compressed.compressedIn, compressed.inflated);
    ASSERT_GE(plain.appends.size(), 5u);
    ASSERT_EQ(plain.appends.size(), compressed.appends.size());
    for (size_t i = 0; i < plain.appends.size(); ++i)
        EXPECT_EQ(plain.appends[i].text, compressed.appends[i].text) << i;
}

}  // namespace
