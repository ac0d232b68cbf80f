#include "nntp/BlockingSocket.h"

#include <cstring>
#include <vector>

namespace {

const char kClearAfterStartTls[] =
    "The server sent more data in clear after agreeing to start TLS, so the connection was closed.";

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
    deflate_.reset();
    tls_.reset();
    rawReceived_ = 0;
    SOCKET handle = socket(AF_INET, type, 0);
    if (handle == INVALID_SOCKET)
        Fail("Create");
    handle_ = handle;
    sendTimeout_ = -1;
    receiveTimeout_ = -1;
    inStart_ = inEnd_ = 0;
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

int CBlockingSocket::Below::RawSend(const char* buffer, int length, int seconds) {
    return socket_.tls_ ? socket_.tls_->Send(buffer, length, seconds) : socket_.RawSend(buffer, length, seconds);
}

int CBlockingSocket::Below::RawReceive(char* buffer, int size, int seconds) {
    return socket_.tls_ ? socket_.tls_->Receive(buffer, size, seconds) : socket_.RawReceive(buffer, size, seconds);
}

int CBlockingSocket::LayerSend(const char* buffer, int length, int seconds) {
    return deflate_ ? deflate_->Send(buffer, length, seconds) : below_.RawSend(buffer, length, seconds);
}

int CBlockingSocket::LayerReceive(char* buffer, int size, int seconds) {
    return deflate_ ? deflate_->Receive(buffer, size, seconds) : below_.RawReceive(buffer, size, seconds);
}

void CBlockingSocket::StartCompression(std::function<void()> onFailure) {
    OpenHandle("Connect Failed");
    deflate_.reset(new CDeflateChannel(below_, inbox_ ? inbox_.get() + inStart_ : nullptr, inEnd_ - inStart_,
                                       std::move(onFailure)));
    inStart_ = inEnd_ = 0;
}

int CBlockingSocket::Send(const char* buffer, int length, int seconds) {
    return LayerSend(buffer, length, seconds);
}

int CBlockingSocket::Receive(char* buffer, int size, int seconds) {
    if (inStart_ == inEnd_)
        return LayerReceive(buffer, size, seconds);
    size_t count = inEnd_ - inStart_;
    if (size >= 0 && count > static_cast<size_t>(size))
        count = static_cast<size_t>(size);
    std::memcpy(buffer, inbox_.get() + inStart_, count);
    inStart_ += count;
    return static_cast<int>(count);
}

size_t CBlockingSocket::Fill(int seconds) {
    if (!inbox_)
        inbox_.reset(new char[kReceiveSize]);
    inStart_ = inEnd_ = 0;
    int received = LayerReceive(inbox_.get(), kReceiveSize, seconds);
    inEnd_ = received > 0 ? static_cast<size_t>(received) : 0;
    return inEnd_;
}

void CBlockingSocket::StartTls(const std::string& host, int seconds) {
    OpenHandle("Connect Failed");
    // Whatever came after the reply that agreed to switch was sent in clear where only TLS may
    // follow: neither handshake input nor text to trust.
    if (inStart_ != inEnd_) {
        inStart_ = inEnd_ = 0;
        Close();
        throw new CBlockingSocketException(std::string(kClearAfterStartTls), 0L);
    }
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
    bool paced = false;
    if (pace_.IsActive()) {
        // The reply's own deadline may come before this read's time-out.
        ULONGLONG now = GetTickCount64();
        uint64_t due = pace_.Due(now);
        if (due <= now)
            Fail("Receive timeout");
        if (due != ReplyPace::kNoLimit && due - now < wait) {
            wait = due - now;
            paced = true;
        }
    }
    // The read's own time-out is a receive time-out on the socket, set when it changes: a
    // readiness wait before every piece costs a round trip through the socket layer (under Wine
    // about 40% of a fast retrieval). A reply deadline nearer than that, a socket that refuses the
    // option, and a zero time-out (which the option reads as "never") wait for readiness instead.
    if (!paced && seconds > 0 && seconds != receiveTimeout_) {
        DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
        bool set = setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                              sizeof milliseconds) == 0;
        receiveTimeout_ = set ? seconds : -1;
    }
    if ((paced || seconds != receiveTimeout_) && WaitReadyMs(handle, false, wait) == 0)
        Fail("Receive timeout");
    int received = recv(handle, buffer, size, 0);
    if (received == SOCKET_ERROR)
        Fail(WSAGetLastError() == WSAETIMEDOUT ? "Receive timeout" : "Receive Failed");
    if (received > 0)
        rawReceived_ += static_cast<unsigned long long>(received);
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
    while (!line.IsComplete()) {
        if (inStart_ == inEnd_ && Fill(seconds) == 0)
            FailReceive(WSAECONNRESET);
        size_t taken = line.Append(inbox_.get() + inStart_, inEnd_ - inStart_);
        if (line.IsOverflow())
            FailReceive(WSAEMSGSIZE);
        inStart_ += taken;
    }
    *out = line.Line();
    return static_cast<int>(out->size());
}

size_t CBlockingSocket::FeedReply(MultiLineAssembler* reply, int seconds) {
    if (inStart_ == inEnd_ && Fill(seconds) == 0)
        FailReceive(WSAECONNRESET);
    if (reply->Append(inbox_.get() + inStart_, inEnd_ - inStart_) == MultiLineAssembler::kOverflow)
        FailReceive(WSAENOBUFS);
    size_t taken = reply->Taken();
    inStart_ += taken;
    return taken;
}

int CBlockingSocket::ReadMultiLine(std::string* out, int seconds) {
    out->clear();
    MultiLineAssembler reply(maxReply_);
    BlockReply pace(*this, seconds);
    while (reply.GetState() == MultiLineAssembler::kMore)
        FeedReply(&reply, seconds);
    *out = reply.Take();
    return static_cast<int>(out->size());
}
