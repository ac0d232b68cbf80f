// The two news servers that the plug-in's tests talk to on port 119, as a reader meets them: the
// scripted server on its own loopback address, and INN2 on 127.0.0.1 with its seeded groups.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <string>

#include "nntp/BlockingSocket.h"
#include "tests/nntp/FakeNewsServer.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

// Connects to port 119 of host and reads the greeting; false when nothing answers there.
bool Open(CBlockingSocket& socket, const std::string& host) {
    try {
        socket.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName(host.c_str(), 119);
        socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));
        std::string greeting;
        socket.ReadLine(&greeting, 5);
        return greeting.compare(0, 1, "2") == 0;
    } catch (CBlockingSocketException* thrown) {
        delete thrown;
        return false;
    }
}

std::string Ask(CBlockingSocket& socket, const std::string& command) {
    socket.WriteString(command + "\r\n", 10);
    std::string line;
    socket.ReadLine(&line, 10);
    return line;
}

// A multi-line reply exactly as it came over the wire, status line and terminator included.
std::string AskBlock(CBlockingSocket& socket, const std::string& command) {
    socket.WriteString(command + "\r\n", 10);
    std::string all;
    char piece[4096];
    while (all.size() < 5 || all.compare(all.size() - 5, 5, "\r\n.\r\n") != 0) {
        int n = socket.Receive(piece, sizeof piece, 10);
        if (n <= 0)
            break;
        all.append(piece, n);
    }
    return all;
}

TEST(ReaderServers, ScriptedServerOnPort119GatesReaderCommandsAndLogsEveryConnection) {
    FakeNewsServer server;
    RP_REQUIRE_OR_SKIP(server.Load(), "the scripted news server is not running");
    RP_REQUIRE_OR_SKIP(server.Address119() != "-", "the scripted news server has no port 119");
    server.Use("mode_reader_required KEEP");
    {
        CBlockingSocket socket;
        ASSERT_TRUE(Open(socket, server.Address119()));
        EXPECT_EQ("401 MODE-READER\r\n", Ask(socket, "GROUP fake.test"));
        Ask(socket, "MODE READER");
        EXPECT_EQ("211 5 1 5 fake.test\r\n", Ask(socket, "GROUP fake.test"));
        std::string overview = AskBlock(socket, "XOVER 1-5");
        EXPECT_EQ(0u, overview.find("224 "));
        EXPECT_NE(std::string::npos, overview.find("\r\n5\tLast article\t"));
        // Body lines ".", ".." and ".hidden" travel dot-stuffed.
        EXPECT_NE(std::string::npos, AskBlock(socket, "ARTICLE 3").find("\r\n\r\n..\r\n...\r\n..hidden\r\n"));
    }
    {
        CBlockingSocket socket;
        ASSERT_TRUE(Open(socket, server.Address119()));
        EXPECT_EQ("401 MODE-READER\r\n", Ask(socket, "GROUP fake.test"));  // the scenario was kept
    }
    EXPECT_EQ("GROUP fake.test|MODE READER|GROUP fake.test|XOVER 1-5|ARTICLE 3||GROUP fake.test", server.LogAll());
    server.Use("normal");
}

TEST(ReaderServers, InnServesLoopbackReadersAtOnceWithTheSeededGroups) {
    CBlockingSocket socket;
    RP_REQUIRE_OR_SKIP(Open(socket, "127.0.0.1"), "no news server answers on 127.0.0.1:119");
    // No MODE READER first: the reader server answers, not the feed server.
    const struct {
        const char* group;
        const char* reply;
    } groups[] = {
        {"rillpost.fixed", "211 12 1 12 rillpost.fixed\r\n"},
        {"rillpost.empty", "211 0 1 0 rillpost.empty\r\n"},
        {"rillpost.pictures.mime", "211 1 1 1 rillpost.pictures.mime\r\n"},
        {"rillpost.pictures.uu", "211 1 1 1 rillpost.pictures.uu\r\n"},
        {"rillpost.dots", "211 1 1 1 rillpost.dots\r\n"},
    };
    for (const auto& g : groups)
        EXPECT_EQ(g.reply, Ask(socket, std::string("GROUP ") + g.group));
    EXPECT_NE(std::string::npos, AskBlock(socket, "ARTICLE 1").find("\r\n..\r\n...\r\n....\r\n"));
}

}  // namespace
