// One TCP stream socket whose every failure and time-out becomes a thrown
// CBlockingSocketException*. Calls block; each wait is bounded by a time-out in whole seconds.
// Reads go through one receive buffer of kReceiveSize bytes, filled by one receive at a time
// (through the secure channel once there is one); lines and replies are cut from it, and what a
// receive brought beyond them stays for the next read. One worker thread uses an object at a time; the only other
// caller is a Cancel on the user-interface thread, which calls Close so that the blocked call fails.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "nntp/BlockingSocketException.h"
#include "nntp/DeflateChannel.h"
#include "nntp/ReplyAssembler.h"
#include "nntp/ReplyPace.h"
#include "nntp/TlsChannel.h"

class CBlockingSocket : private TlsTransport {
public:
    // Every conversation waits this long for each step.
    static constexpr int kTimeoutSeconds = 30;
    // Caps on what one read may collect. A status line is a few dozen bytes; a multi-line reply
    // (a whole group list or article) may be large but not unbounded.
    static constexpr size_t kDefaultMaxLine = 16 * 1024;
    static constexpr size_t kDefaultMaxReply = 64 * 1024 * 1024;
    static constexpr int kReceiveSize = 64 * 1024;

    CBlockingSocket() = default;
    // Closes an open handle without checking the result; never throws.
    virtual ~CBlockingSocket();
    CBlockingSocket(const CBlockingSocket&) = delete;
    CBlockingSocket& operator=(const CBlockingSocket&) = delete;

    void Create(int type = SOCK_STREAM);
    // Nothing when no socket is open. When closing fails the handle keeps its value.
    void Close();
    void Connect(const SOCKADDR* address);
    // Through the secure channel once StartTls has run, else straight to the socket.
    int Send(const char* buffer, int length, int seconds);
    int Write(const char* buffer, int length, int seconds);
    // Buffered bytes first; one receive only when none are buffered.
    int Receive(char* buffer, int size, int seconds);

    // Runs the TLS handshake on the open connection; from then on every read and write of this
    // connection is encrypted. The handshake reads below the receive buffer; bytes already
    // buffered (sent in clear after the server agreed to switch) close the connection and throw. The channel lives
    // until the next Create or the destructor (a Cancel's Close from another thread must not free it under the worker).
    // Throws CBlockingSocketException* with a text for the user (IsShownAsIs) on TLS failures.
    void StartTls(const std::string& host, int seconds);
    bool IsSecure() const { return tls_ != nullptr; }
    // After the server's 206: from now on every read and write of this connection is compressed
    // (over TLS when there is TLS). Bytes already buffered are the start of the compressed
    // stream. `onFailure` runs when the stream turns out corrupt or cut off. The channel lives
    // as long as the TLS one.
    void StartCompression(std::function<void()> onFailure);
    bool IsCompressed() const { return deflate_ != nullptr; }
    // Bytes received from the network on this connection (before TLS and decompression), and
    // what the compressed part of them inflated to (0 without compression).
    unsigned long long RawBytesReceived() const { return rawReceived_; }
    unsigned long long InflatedBytes() const { return deflate_ ? deflate_->InflatedOut() : 0; }
    // What arrived compressed, the part of RawBytesReceived that InflatedBytes came from.
    unsigned long long CompressedBytesReceived() const { return deflate_ ? deflate_->CompressedIn() : 0; }
    // The server certificate's check; only after StartTls.
    TlsCertificateCheck CheckCertificate(const std::string& host) const { return tls_->CheckCertificate(host); }
    static SOCKADDR_IN GetHostByName(const char* host, unsigned short port);

    int WriteString(const std::string& text, int seconds);
    // One line, CR LF kept. A peer that closes before the LF or sends more than the line cap
    // makes it throw "Receive Failed"; a line not complete within twice `seconds` throws
    // "Receive timeout".
    int ReadLine(std::string* out, int seconds);
    // A multi-line reply without its terminating "." line, text lines dot-unstuffed; an error
    // status line alone when no block follows it. A reply that brings less than 1 KB in some
    // `seconds` throws "Receive timeout" (see ReplyPace).
    int ReadMultiLine(std::string* out, int seconds);
    // Feeds `reply` what is buffered, or else what one receive brings, and keeps what follows
    // the reply's end buffered. Returns the bytes fed. Throws "Receive Failed" when the peer has
    // closed or the reply outgrows its cap. For callers that show progress between pieces; hold
    // a BlockReply around the loop.
    size_t FeedReply(MultiLineAssembler* reply, int seconds);

    // Holds the pace of one reply for as long as it lives: every read below it, through the
    // secure channel too, ends in "Receive timeout" once the reply is too slow. For callers that
    // read a multi-line reply with Receive themselves.
    class BlockReply {
    public:
        BlockReply(CBlockingSocket& socket, int seconds);
        ~BlockReply() { socket_.pace_.Stop(); }
        BlockReply(const BlockReply&) = delete;
        BlockReply& operator=(const BlockReply&) = delete;

    private:
        CBlockingSocket& socket_;
    };

    void SetLimits(size_t maxLine, size_t maxReply) {
        maxLine_ = maxLine;
        maxReply_ = maxReply;
    }
    size_t MaxReply() const { return maxReply_; }
    bool IsOpen() const { return handle_ != 0; }
    SOCKET GetHandle() const { return handle_; }

    // Throws "Receive Failed" with the given sockets-layer error, for failures that the sockets
    // layer itself does not report (peer closed, reply too long).
    [[noreturn]] static void FailReceive(int error);

private:
    // The current handle; throws `failure` (error "not a socket") when a Close has taken it.
    SOCKET OpenHandle(const char* failure) const;
    int RawSend(const char* buffer, int length, int seconds) override;
    int RawReceive(char* buffer, int size, int seconds) override;
    // One receive into the empty buffer; the bytes it brought (0: the peer closed).
    size_t Fill(int seconds);
    // The connection under the compression: the secure channel when there is one, else the socket.
    class Below : public TlsTransport {
    public:
        explicit Below(CBlockingSocket& socket) : socket_(socket) {}
        int RawSend(const char* buffer, int length, int seconds) override;
        int RawReceive(char* buffer, int size, int seconds) override;

    private:
        CBlockingSocket& socket_;
    };
    // What the layers above the socket send and receive through: compression, TLS, or neither.
    int LayerSend(const char* buffer, int length, int seconds);
    int LayerReceive(char* buffer, int size, int seconds);

    // Atomic because Cancel closes it from another thread.
    std::atomic<SOCKET> handle_{0};
    // The send time-out set on the handle in seconds, -1 when none is. Only the thread that
    // sends touches it.
    int sendTimeout_ = -1;
    int receiveTimeout_ = -1;  // seconds of the socket's receive time-out; -1 while not set
    // The reply being read; only the thread that reads touches it.
    ReplyPace pace_;
    size_t maxLine_ = kDefaultMaxLine;
    size_t maxReply_ = kDefaultMaxReply;
    std::unique_ptr<CTlsChannel> tls_;
    Below below_{*this};
    std::unique_ptr<CDeflateChannel> deflate_;
    unsigned long long rawReceived_ = 0;
    // Received and not yet read: inbox_[inStart_, inEnd_). Allocated on the first read, kept for
    // the object's life, emptied by Create. Only the thread that reads touches it (a Cancel's
    // Close does not).
    std::unique_ptr<char[]> inbox_;
    size_t inStart_ = 0;
    size_t inEnd_ = 0;
};
