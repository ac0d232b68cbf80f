// The compressed stream of a news connection once the server has agreed to COMPRESS DEFLATE:
// everything written is deflated (raw deflate, no header) and flushed at once, so that each
// command reaches the server whole; everything read is inflated. It sits between the blocking
// socket's buffered reads and the connection below (plain or TLS), reached through the same
// TlsTransport calls as the secure channel, so every wait keeps the socket's time-out. One thread
// uses an object at a time; it lives as long as the connection it was made for.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "nntp/TlsChannel.h"

class CDeflateChannel {
public:
    static constexpr size_t kInputSize = 64 * 1024;

    // `pending` holds the bytes that followed the server's agreement in the same receive: they
    // are already compressed. `onFailure` runs once, before a corrupt or cut-off stream throws.
    CDeflateChannel(TlsTransport& transport, const char* pending, size_t pendingSize, std::function<void()> onFailure);
    ~CDeflateChannel();
    CDeflateChannel(const CDeflateChannel&) = delete;
    CDeflateChannel& operator=(const CDeflateChannel&) = delete;

    // Deflates the whole buffer, flushes it and writes it; returns `length`.
    int Send(const char* buffer, int length, int seconds);
    // Inflated bytes, or 0 once the server has closed between two flushed blocks. A stream that
    // does not inflate, or that ends inside a block, throws a CBlockingSocketException* with a
    // text for the user (IsShownAsIs).
    int Receive(char* buffer, int size, int seconds);

    // Bytes read from the connection below, and the bytes they inflated to.
    unsigned long long CompressedIn() const { return compressedIn_; }
    unsigned long long InflatedOut() const { return inflatedOut_; }

private:
    struct Streams;
    [[noreturn]] void Fail(const char* text);

    TlsTransport& transport_;
    std::unique_ptr<Streams> streams_;
    std::unique_ptr<char[]> input_;  // compressed bytes not yet inflated: input_[0, inputSize_)
    std::function<void()> onFailure_;
    unsigned long long compressedIn_ = 0;
    unsigned long long inflatedOut_ = 0;
};
