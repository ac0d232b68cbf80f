#include "nntp/DeflateChannel.h"

#include <zlib.h>

#include <cstring>

#include "nntp/BlockingSocketException.h"

namespace {

const char kCannotStart[] = "Compression could not be started on this connection.";
const char kCorrupt[] =
    "The server's compressed data could not be decompressed, so the connection was closed. This server will not "
    "be asked for compression again until the mail client is restarted.";
const char kCutOff[] =
    "The server's compressed data ended in the middle of a block, so the connection was closed. This server will "
    "not be asked for compression again until the mail client is restarted.";

// Raw deflate (no zlib header or checksum), as the news compression extension sends it.
const int kWindowBits = -15;
const int kMemoryLevel = 8;
const size_t kOutputStep = 16 * 1024;

}  // namespace

// Both zlib streams; each is ended by the destructor only when its init succeeded.
struct CDeflateChannel::Streams {
    z_stream deflater{};
    z_stream inflater{};
    bool deflaterReady = false;
    bool inflaterReady = false;
    ~Streams() {
        if (deflaterReady)
            deflateEnd(&deflater);
        if (inflaterReady)
            inflateEnd(&inflater);
    }
};

CDeflateChannel::CDeflateChannel(TlsTransport& transport,
                                 const char* pending,
                                 size_t pendingSize,
                                 std::function<void()> onFailure)
    : transport_(transport), streams_(new Streams), input_(new char[kInputSize]), onFailure_(std::move(onFailure)) {
    streams_->deflaterReady = deflateInit2(&streams_->deflater, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kWindowBits,
                                           kMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
    streams_->inflaterReady = inflateInit2(&streams_->inflater, kWindowBits) == Z_OK;
    if (!streams_->deflaterReady || !streams_->inflaterReady || pendingSize > kInputSize)
        Fail(kCannotStart);
    if (pendingSize > 0)
        std::memcpy(input_.get(), pending, pendingSize);
    streams_->inflater.next_in = reinterpret_cast<Bytef*>(input_.get());
    streams_->inflater.avail_in = static_cast<uInt>(pendingSize);
    compressedIn_ = pendingSize;
}

CDeflateChannel::~CDeflateChannel() = default;

void CDeflateChannel::Fail(const char* text) {
    if (onFailure_) {
        std::function<void()> once;
        once.swap(onFailure_);
        once();
    }
    throw new CBlockingSocketException(std::string(text), 0L);
}

int CDeflateChannel::Send(const char* buffer, int length, int seconds) {
    z_stream& stream = streams_->deflater;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(buffer));
    stream.avail_in = static_cast<uInt>(length < 0 ? 0 : length);
    char out[kOutputStep];
    // A sync flush ends every write on a byte boundary, so the server can act on it at once.
    do {
        stream.next_out = reinterpret_cast<Bytef*>(out);
        stream.avail_out = sizeof out;
        if (deflate(&stream, Z_SYNC_FLUSH) == Z_STREAM_ERROR)
            Fail(kCannotStart);
        int produced = static_cast<int>(sizeof out - stream.avail_out);
        for (int sent = 0; sent < produced;) {
            int step = transport_.RawSend(out + sent, produced - sent, seconds);
            if (step <= 0)
                throw new CBlockingSocketException("Send Failed");
            sent += step;
        }
    } while (stream.avail_out == 0);
    return length;
}

int CDeflateChannel::Receive(char* buffer, int size, int seconds) {
    z_stream& stream = streams_->inflater;
    for (;;) {
        if (stream.avail_in > 0) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = static_cast<uInt>(size);
            int result = inflate(&stream, Z_SYNC_FLUSH);
            int produced = size - static_cast<int>(stream.avail_out);
            // The stream has no end of its own: it lasts as long as the connection, so a final
            // block is as wrong as a damaged one.
            if (result != Z_OK && result != Z_BUF_ERROR)
                Fail(kCorrupt);
            if (produced > 0) {
                inflatedOut_ += static_cast<unsigned long long>(produced);
                return produced;
            }
            if (stream.avail_in > 0 && result == Z_OK)
                continue;
        }
        if (stream.avail_in > 0)
            std::memmove(input_.get(), stream.next_in, stream.avail_in);
        size_t kept = stream.avail_in;
        int received = transport_.RawReceive(input_.get() + kept, static_cast<int>(kInputSize - kept), seconds);
        if (received <= 0) {
            // A close between blocks is an ordinary end of the connection; inside one, data is lost.
            bool betweenBlocks = kept == 0 && (compressedIn_ == 0 || (stream.data_type & 128) != 0);
            if (!betweenBlocks)
                Fail(kCutOff);
            return 0;
        }
        compressedIn_ += static_cast<unsigned long long>(received);
        stream.next_in = reinterpret_cast<Bytef*>(input_.get());
        stream.avail_in = static_cast<uInt>(kept + static_cast<size_t>(received));
    }
}
