#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <memory>
#include <thread>

#include "nntp/BlockingSocket.h"
#include "tests/nntp/FakeNewsServer.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

// The message of the exception that body throws, or "" when it throws none.
template <typename Body>
std::string FailureOf(Body body) {
    try {
        body();
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        return failure->GetMessage();
    }
    return std::string();
}

class BlockingSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        RP_REQUIRE_OR_SKIP(server_.Load(), "the scripted news server is not running");
    }
    void ConnectTo(CBlockingSocket& socket, const char* scenario) {
        server_.Use(scenario);
        socket.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", server_.NewsPort());
        socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));
    }
    FakeNewsServer server_;
};

TEST(BlockingSocketLifetime, CloseWithoutASocketDoesNothingAndCreateStartsAfresh) {
    CBlockingSocket socket;
    EXPECT_EQ("", FailureOf([&] { socket.Close(); }));
    socket.Create();
    EXPECT_TRUE(socket.IsOpen());
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ("", FailureOf([&] { socket.Close(); }));

    // What a worker meets after a Cancel closed its socket: failures, not a stale handle.
    char byte = 0;
    EXPECT_EQ("Receive Failed", FailureOf([&] { socket.Receive(&byte, 1, 1); }));
    EXPECT_EQ("Send Failed", FailureOf([&] { socket.Send(&byte, 1, 1); }));
}

TEST(BlockingSocketLifetime, RefusedConnectionAndUnknownHostHaveTheirOwnTexts) {
    // A port that was free a moment ago refuses connections.
    CBlockingSocket probe;
    probe.Create();
    SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", 0);
    ASSERT_EQ(0, bind(probe.GetHandle(), reinterpret_cast<SOCKADDR*>(&address), sizeof address));
    int length = sizeof address;
    getsockname(probe.GetHandle(), reinterpret_cast<SOCKADDR*>(&address), &length);
    probe.Close();

    CBlockingSocket socket;
    socket.Create();
    EXPECT_EQ("Connect Failed", FailureOf([&] { socket.Connect(reinterpret_cast<const SOCKADDR*>(&address)); }));
    EXPECT_EQ("GetHostByName", FailureOf([] { CBlockingSocket::GetHostByName("no-such-host.invalid", 119); }));
}

TEST(BlockingSocketLifetime, APeerThatNeverReadsEndsAWriteInASendTimeout) {
    // A listener in this process accepts and never reads, so the buffers fill and the send
    // blocks; the send time-out must end it, within one piece as well as between pieces.
    CBlockingSocket listener;
    listener.Create();
    SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", 0);
    ASSERT_EQ(0, bind(listener.GetHandle(), reinterpret_cast<SOCKADDR*>(&address), sizeof address));
    int length = sizeof address;
    getsockname(listener.GetHandle(), reinterpret_cast<SOCKADDR*>(&address), &length);
    ASSERT_EQ(0, listen(listener.GetHandle(), 1));

    CBlockingSocket socket;
    socket.Create();
    socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));
    SOCKET accepted = accept(listener.GetHandle(), nullptr, nullptr);
    ASSERT_NE(INVALID_SOCKET, accepted);
    std::string big(64 << 20, 'x');
    EXPECT_EQ("Send timeout", FailureOf([&] {
                  for (size_t sent = 0; sent < big.size(); sent += 16384)
                      socket.Write(big.data() + sent, 16384, 1);
              }));
    EXPECT_EQ("Send timeout", FailureOf([&] { socket.Write(big.data(), static_cast<int>(big.size()), 1); }));
    closesocket(accepted);
}

TEST_F(BlockingSocketTest, MultiLineReplyWithSplitTerminatorEndsWithItsLastLine) {
    CBlockingSocket socket;
    ConnectTo(socket, "multiline_split");
    std::string reply;
    socket.ReadMultiLine(&reply, 10);
    EXPECT_EQ("215 ok\r\nline one\r\nline two\r\n", reply);
}

TEST_F(BlockingSocketTest, PeerClosingBeforeTheLineEndFailsTheRead) {
    CBlockingSocket socket;
    ConnectTo(socket, "close_at_once");
    std::string line;
    EXPECT_EQ("Receive Failed", FailureOf([&] { socket.ReadLine(&line, 10); }));
}

TEST_F(BlockingSocketTest, SilenceEndsInAReceiveTimeout) {
    CBlockingSocket socket;
    ConnectTo(socket, "silent_after_greeting");
    std::string line;
    socket.ReadLine(&line, 10);
    socket.WriteString("MODE READER\r\n", 10);
    EXPECT_EQ("Receive timeout", FailureOf([&] { socket.ReadLine(&line, 1); }));
}

TEST_F(BlockingSocketTest, RepliesThatArriveTogetherAreEachReadWhole) {
    CBlockingSocket socket;
    ConnectTo(socket, "replies_at_once");
    std::string text;
    socket.ReadLine(&text, 10);
    EXPECT_EQ("200 ready\r\n", text);
    socket.ReadMultiLine(&text, 10);
    EXPECT_EQ("215 ok\r\nline one\r\n", text);
    socket.ReadLine(&text, 10);
    EXPECT_EQ("200 after\r\n", text);
}

TEST_F(BlockingSocketTest, CloseFromAnotherThreadEndsABlockedRead) {
    // What Cancel does: the read would otherwise wait its whole time-out (past the test's own).
    CBlockingSocket socket;
    ConnectTo(socket, "silent_after_greeting");
    std::string line;
    socket.ReadLine(&line, 10);
    socket.WriteString("MODE READER\r\n", 10);
    std::thread cancel([&] {
        Sleep(300);
        socket.Close();
    });
    EXPECT_EQ("Receive Failed", FailureOf([&] { socket.ReadLine(&line, 3600); }));
    cancel.join();
}

TEST_F(BlockingSocketTest, LinesBeyondTheCapFailInsteadOfGrowing) {
    CBlockingSocket socket;
    socket.SetLimits(1024, 4096);
    ConnectTo(socket, "oversize_greeting");
    std::string line;
    EXPECT_EQ("Receive Failed", FailureOf([&] { socket.ReadLine(&line, 10); }));
}

}  // namespace
