#include "nntp/BlockingSocket.h"

#include <vector>

#include "nntp/ReplyAssembler.h"

namespace {

[[noreturn]] void Fail(const char* message) {
    throw new CBlockingSocketException(message);
}

// select() on this socket alone; > 0 when ready, 0 on time-out, < 0 on failure.
int WaitReadyMs(SOCKET handle, bool forWrite, unsigned long long milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(handle, &set);
    timeval timeout{static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
    return select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &timeout);
}

int WaitReady(SOCKET handle, bool forWrite, int seconds) {
    return WaitReadyMs(handle, forWrite, static_cast<unsigned long long>(seconds < 0 ? 0 : seconds) * 1000);
}

// Clears the pace of a line read however the read ends.
struct LinePace {
    ReplyPace& pace;
    ~LinePace() { pace.Stop(); }
};

}  // namespace

CBlockingSocket::~CBlockingSocket() {
    SOCKET handle = handle_.exchange(0);
    if (handle != 0)
        closesocket(handle);
}

void CBlockingSocket::Create(int type) {
    tls_.reset();
    SOCKET handle = socket(AF_INET, type, 0);
    if (handle == INVALID_SOCKET)
        Fail("Create");
    handle_ = handle;
    sendTimeout_ = -1;
}

void CBlockingSocket::Close() {
    // The handle is cleared before it is closed: a worker blocked on it then finds no socket on
    // its next call instead of a closed handle value that a new socket may already reuse.
    SOCKET handle = handle_.exchange(0);
    if (handle == 0)
        return;
    if (closesocket(handle) == SOCKET_ERROR) {
        handle_ = handle;
        Fail("Close");
    }
}

SOCKET CBlockingSocket::OpenHandle(const char* failure) const {
    SOCKET handle = handle_;
    if (handle == 0) {
        WSASetLastError(WSAENOTSOCK);
        Fail(failure);
    }
    return handle;
}

void CBlockingSocket::Connect(const SOCKADDR* address) {
    if (connect(OpenHandle("Connect Failed"), address, sizeof(SOCKADDR_IN)) == SOCKET_ERROR)
        Fail("Connect Failed");
}

int CBlockingSocket::Send(const char* buffer, int length, int seconds) {
    return tls_ ? tls_->Send(buffer, length, seconds) : RawSend(buffer, length, seconds);
}

int CBlockingSocket::Receive(char* buffer, int size, int seconds) {
    return tls_ ? tls_->Receive(buffer, size, seconds) : RawReceive(buffer, size, seconds);
}

void CBlockingSocket::StartTls(const std::string& host, int seconds) {
    OpenHandle("Connect Failed");
    tls_.reset(new CTlsChannel(*this));
    tls_->Handshake(host, seconds);
}

int CBlockingSocket::RawSend(const char* buffer, int length, int seconds) {
    SOCKET handle = OpenHandle("Send Failed");
    // The time-out rides on the socket itself rather than on a readiness wait before every send:
    // a posting writes hundreds of pieces, each wait costs a round trip through the socket layer,
    // and a blocking send of a whole piece could stall after the wait anyway. A socket that
    // refuses the option (or a zero time-out, which the option reads as "never") keeps the wait.
    if (seconds > 0 && seconds != sendTimeout_) {
        DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
        bool set = setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&milliseconds),
                              sizeof milliseconds) == 0;
        sendTimeout_ = set ? seconds : -1;
    }
    // A failing select counts as ready: the send below then reports the error.
    if (seconds != sendTimeout_ && WaitReady(handle, true, seconds) == 0)
        Fail("Send timeout");
    int sent = send(handle, buffer, length, 0);
    if (sent == SOCKET_ERROR)
        Fail(WSAGetLastError() == WSAETIMEDOUT ? "Send timeout" : "Send Failed");
    return sent;
}

int CBlockingSocket::Write(const char* buffer, int length, int seconds) {
    int total = 0;
    while (total < length) {
        int sent = Send(buffer + total, length - total, seconds);
        // A send that takes nothing would make this loop spin forever.
        if (sent <= 0)
            Fail("Send Failed");
        total += sent;
    }
    return total;
}

CBlockingSocket::BlockReply::BlockReply(CBlockingSocket& socket, int seconds) : socket_(socket) {
    socket_.pace_.StartBlock(GetTickCount64(), static_cast<uint64_t>(seconds < 1 ? 1 : seconds) * 1000);
}

int CBlockingSocket::RawReceive(char* buffer, int size, int seconds) {
    SOCKET handle = OpenHandle("Receive Failed");
    unsigned long long wait = static_cast<unsigned long long>(seconds < 0 ? 0 : seconds) * 1000;
    if (pace_.IsActive()) {
        // The reply's own deadline may come before this read's time-out.
        ULONGLONG now = GetTickCount64();
        uint64_t due = pace_.Due(now);
        if (due <= now)
            Fail("Receive timeout");
        if (due != ReplyPace::kNoLimit && due - now < wait)
            wait = due - now;
    }
    if (WaitReadyMs(handle, false, wait) == 0)
        Fail("Receive timeout");
    int received = recv(handle, buffer, size, 0);
    if (received == SOCKET_ERROR)
        Fail("Receive Failed");
    if (received > 0 && pace_.IsActive())
        pace_.Received(static_cast<size_t>(received), GetTickCount64());
    return received;
}

SOCKADDR_IN CBlockingSocket::GetHostByName(const char* host, unsigned short port) {
    hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
        entry->h_addrtype != AF_INET)
        Fail("GetHostByName");
    SOCKADDR_IN address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    return address;
}

int CBlockingSocket::WriteString(const std::string& text, int seconds) {
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Write(copy.data(), static_cast<int>(text.size()), seconds);
}

void CBlockingSocket::FailReceive(int error) {
    WSASetLastError(error);
    Fail("Receive Failed");
}

int CBlockingSocket::ReadLine(std::string* out, int seconds) {
    out->clear();
    LineAssembler line(maxLine_);
    pace_.StartLine(GetTickCount64(), static_cast<uint64_t>(seconds < 1 ? 1 : seconds) * 1000);
    LinePace clear{pace_};
    // One byte per receive: whatever follows the line stays in the socket for the next read.
    while (!line.IsComplete()) {
        char byte;
        if (Receive(&byte, 1, seconds) == 0)
            FailReceive(WSAECONNRESET);
        line.Append(&byte, 1);
        if (line.IsOverflow())
            FailReceive(WSAEMSGSIZE);
    }
    *out = line.Line();
    return static_cast<int>(out->size());
}

int CBlockingSocket::ReadMultiLine(std::string* out, int seconds) {
    out->clear();
    MultiLineAssembler reply(maxReply_);
    BlockReply pace(*this, seconds);
    char piece[kPieceSize + 1];
    while (reply.GetState() == MultiLineAssembler::kMore) {
        int received = Receive(piece, kPieceSize, seconds);
        if (received == 0)
            FailReceive(WSAECONNRESET);
        piece[received] = '\0';
        if (reply.Append(piece, static_cast<size_t>(received)) == MultiLineAssembler::kOverflow)
            FailReceive(WSAENOBUFS);
    }
    *out = reply.Take();
    return static_cast<int>(out->size());
}
