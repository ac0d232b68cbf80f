// The control port of the scripted news server that the tests run beside the stand-in
// (tests/nntp/fake_nntp_server.py). The CTest of a scenario names the server's folder in the
// environment variable RP_FAKE_NNTP_DIR; the port file there holds "<news port> <control port>
// <port-119 address>". Used by the script thread only.
#pragma once

#include <string>

class FakeNntpControl {
public:
    // Reads the port file. False (with *error) when no server is known.
    bool Load(std::string* error);
    bool Loaded() const { return controlPort_ != 0; }
    // The loopback address whose port 119 the server answers, e.g. "127.0.0.2".
    const std::string& Address() const { return address_; }
    // Sends one control command; *answer receives the answer line without its line end.
    bool Send(const std::string& command, std::string* answer, std::string* error) const;

private:
    unsigned short controlPort_ = 0;
    std::string address_;
};
