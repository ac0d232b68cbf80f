// Client side of the scripted news server (fake_nntp_server.py), which a CTest fixture starts
// before these tests and whose ports it writes into the folder RP_FAKE_NNTP_DIR (by default
// the test's working folder).
#pragma once

#include <gtest/gtest.h>

#include <winsock2.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "nntp/BlockingSocket.h"

// Starts the sockets layer once for the test program, as the plug-in does when it loads.
class SocketsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(1, 1), &data));
    }
    void TearDown() override { WSACleanup(); }
};

class FakeNewsServer {
public:
    // False when the fixture has not started the server.
    bool Load() {
        const char* dir = std::getenv("RP_FAKE_NNTP_DIR");
        std::ifstream file(dir && *dir ? std::string(dir) + "/fake_nntp_port.txt" : "fake_nntp_port.txt");
        return static_cast<bool>(file >> newsPort_ >> controlPort_ >> address119_);
    }
    unsigned short NewsPort() const { return newsPort_; }
    // The loopback address whose port 119 the server answers too, "-" when it has none.
    const std::string& Address119() const { return address119_; }

    // The next news connection follows this scenario ("<name> [KEEP] [<key>=<value>...]").
    void Use(const std::string& scenario) { EXPECT_EQ("OK\r\n", Control("SCENARIO " + scenario)); }
    // The command lines the server received on the last news connection, joined by "|".
    std::string Log() { return Answer("LOG"); }
    // Those of every connection since the scenario was chosen, the connections joined by "||".
    std::string LogAll() { return Answer("LOGALL"); }
    // The bytes of the last article received after POST, in hexadecimal.
    std::string Posted() { return Answer("POSTED"); }

private:
    std::string Answer(const std::string& command) {
        std::string reply = Control(command);
        return reply.substr(0, reply.size() - 2);
    }
    std::string Control(const std::string& command) {
        CBlockingSocket control;
        control.SetLimits(1024 * 1024, 1024 * 1024);  // POSTED answers with a whole article
        control.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", controlPort_);
        control.Connect(reinterpret_cast<const SOCKADDR*>(&address));
        control.WriteString(command + "\n", 10);
        std::string reply;
        // A whole posted article comes as one line read a byte per receive, slow under Wine:
        // the line's deadline (twice this) must cover it.
        control.ReadLine(&reply, 60);
        return reply;
    }

    unsigned short newsPort_ = 0;
    unsigned short controlPort_ = 0;
    std::string address119_;
};
