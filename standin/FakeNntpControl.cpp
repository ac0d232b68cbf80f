#include "standin/FakeNntpControl.h"

#include <winsock2.h>

#include <cstdlib>
#include <fstream>

bool FakeNntpControl::Load(std::string* error) {
    const char* dir = getenv("RP_FAKE_NNTP_DIR");
    if (!dir || !*dir) {
        *error = "no scripted news server: RP_FAKE_NNTP_DIR is not set";
        return false;
    }
    std::string path = std::string(dir) + "/fake_nntp_port.txt";
    std::ifstream file(path);
    unsigned newsPort = 0, controlPort = 0;
    if (!(file >> newsPort >> controlPort >> address_) || controlPort == 0 || controlPort > 65535) {
        *error = "no scripted news server: cannot read " + path;
        return false;
    }
    controlPort_ = static_cast<unsigned short>(controlPort);
    if (address_ == "-")
        address_.clear();
    return true;
}

bool FakeNntpControl::Send(const std::string& command, std::string* answer, std::string* error) const {
    WSADATA data;
    if (!controlPort_ || WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        *error = "no scripted news server";
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(controlPort_);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    DWORD timeoutMs = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    std::string line = command + "\n";
    bool ok = s != INVALID_SOCKET && connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
              send(s, line.data(), static_cast<int>(line.size()), 0) == static_cast<int>(line.size());
    answer->clear();
    char c;
    bool ended = false;
    while (ok && !ended && recv(s, &c, 1, 0) == 1) {
        ended = c == '\n';
        if (!ended)
            *answer += c;
    }
    ok = ok && ended;
    if (!answer->empty() && answer->back() == '\r')
        answer->pop_back();
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    if (!ok)
        *error = "the scripted news server does not answer on its control port";
    return ok;
}
