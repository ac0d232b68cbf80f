// The anchor of the network benchmarks: a client written against Winsock alone, with no code of
// this project, that sends a command and receives the reply in 64 KB pieces (or sends a body in
// 64 KB pieces), looking at nothing but the last bytes to see where the reply ends. Whatever our
// client takes beyond it is the cost of our own code. One object is one connection.
#pragma once

#include <winsock2.h>

#include <cstring>
#include <string>

class RawClient {
public:
    static constexpr int kPiece = 64 * 1024;

    RawClient() = default;
    ~RawClient() {
        if (socket_ != INVALID_SOCKET)
            closesocket(socket_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // Connects to an IPv4 address literal and reads the greeting (a server without one: pass
    // false). False on any failure.
    bool Connect(const char* address, unsigned short port, bool greeting = true) {
        socket_ = socket(AF_INET, SOCK_STREAM, 0);
        if (socket_ == INVALID_SOCKET)
            return false;
        // Only so that a broken server cannot hang the benchmark.
        DWORD wait = 30000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = inet_addr(address);
        if (connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
            return false;
        return !greeting || ReceiveLine() > 0;
    }

    // Sends all of `data` in pieces of at most 64 KB.
    bool Send(const char* data, size_t length) {
        while (length > 0) {
            int n = send(socket_, data, static_cast<int>(length < kPiece ? length : kPiece), 0);
            if (n <= 0)
                return false;
            data += n;
            length -= static_cast<size_t>(n);
        }
        return true;
    }

    // A one-line reply: bytes until one ends in LF. Returns the bytes received, 0 on failure.
    size_t ReceiveLine() { return ReceiveUntil("\n", 1); }
    // A multi-line reply: bytes until they end in CR LF "." CR LF.
    size_t ReceiveBlock() { return ReceiveUntil("\r\n.\r\n", 5); }
    // The first bytes of the last reply received (at most one piece).
    const char* First() const { return piece_; }

    size_t Command(const std::string& line) { return Send(line.data(), line.size()) ? ReceiveLine() : 0; }
    // True when the last reply begins with the three digits of `code`.
    bool Replied(const char* code) const { return std::memcmp(piece_, code, 3) == 0; }

private:
    size_t ReceiveUntil(const char* end, size_t endLength) {
        char tail[8] = {};
        size_t have = 0;  // bytes of `tail` in use
        size_t total = 0;
        for (;;) {
            int n = recv(socket_, piece_, kPiece, 0);
            if (n <= 0)
                return 0;
            total += static_cast<size_t>(n);
            // The last endLength bytes of everything so far, a reply's end split across pieces too.
            size_t count = static_cast<size_t>(n);
            if (count >= endLength) {
                std::memcpy(tail, piece_ + count - endLength, endLength);
                have = endLength;
            } else {
                size_t keep = have + count > endLength ? endLength - count : have;
                std::memmove(tail, tail + have - keep, keep);
                std::memcpy(tail + keep, piece_, count);
                have = keep + count;
            }
            if (have == endLength && std::memcmp(tail, end, endLength) == 0)
                return total;
        }
    }

    SOCKET socket_ = INVALID_SOCKET;
    char piece_[kPiece];
};
