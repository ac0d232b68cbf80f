// A TLS client session over a connected stream, made with the system's secure channel package
// (SChannel) so that the plug-in still needs no library beyond Windows itself. The channel does
// not own the connection: it reads and writes through a TlsTransport (the blocking socket's plain
// calls), so every wait keeps the socket's time-out. Failures are thrown as
// CBlockingSocketException* whose text is meant for the user (IsShownAsIs). One thread uses an
// object at a time; it lives as long as the connection it was made for.
#pragma once

#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
// winsock2.h before windows.h, as everywhere in the sockets code.
#include <winsock2.h>

#include <windows.h>

#include <security.h>
#include <wincrypt.h>

#include <cstddef>
#include <string>
#include <vector>

// The plain connection under the channel. Both calls throw what the socket throws.
class TlsTransport {
public:
    virtual ~TlsTransport() = default;
    // Sends part of the buffer, returning how much went.
    virtual int RawSend(const char* buffer, int length, int seconds) = 0;
    // Some bytes, or 0 when the peer has closed.
    virtual int RawReceive(char* buffer, int size, int seconds) = 0;
};

// What the certificate check found. `problem` is empty when the chain, the host name and the
// dates are all good; otherwise it names every problem found, in one sentence each.
struct TlsCertificateCheck {
    std::string problem;
    std::string fingerprint;  // SHA-256 of the certificate, upper-case hex pairs joined by ':'
    std::string subject;      // the certificate's simple display name, for the user
};

class CTlsChannel {
public:
    // A handshake message or record larger than this is not from a sane server.
    static constexpr size_t kMaxHandshakeBytes = 256 * 1024;

    // `package` is the security package's call table; null takes the system's. Tests give a
    // scripted one to reach states that no test server can bring about.
    explicit CTlsChannel(TlsTransport& transport, const SecurityFunctionTableA* package = nullptr);
    // Frees the security context and the credentials; sends nothing (no close_notify: the
    // connection is dropped with the socket, and a news server needs no more than QUIT or EOF).
    ~CTlsChannel();
    CTlsChannel(const CTlsChannel&) = delete;
    CTlsChannel& operator=(const CTlsChannel&) = delete;

    // Runs the client handshake for `host` (the name the certificate must carry). The
    // certificate is not judged here: the caller runs CheckCertificate before it sends anything.
    void Handshake(const std::string& host, int seconds);
    // The server certificate judged by the system store's chain (signatures, dates, revocation
    // where a server for it answers within a few seconds), its names against `host`, and the SSL
    // policy. Never throws; a certificate that cannot be read is a problem too.
    TlsCertificateCheck CheckCertificate(const std::string& host) const;

    // Encrypts and writes up to one record's worth of the buffer; returns the plain bytes taken.
    int Send(const char* buffer, int length, int seconds);
    // Plain bytes, or 0 once the server has closed the session (close_notify or end of stream
    // between records). A stream that ends inside a record throws. A renegotiation that brings
    // another certificate than the one of the first handshake ends the connection (throws).
    int Receive(char* buffer, int size, int seconds);

private:
    // One more step of a handshake (first or renegotiated) from the bytes in incoming_.
    void HandshakeLoop(const std::string& host, int seconds, bool haveInput);
    void SendToken(const void* data, unsigned long length, int seconds);
    // Reads more ciphertext into incoming_; false when the peer closed.
    bool ReadMore(int seconds);
    // Keeps the last `extra` bytes of incoming_ as the start of the next record.
    void KeepExtra(unsigned long extra);
    // The server certificate of the current context, encoded; empty when there is none.
    std::vector<unsigned char> RemoteCertificate() const;
    // A handshake message after the handshake: the package is given it (and whatever is
    // buffered) at once, and the certificate afterwards must be the first handshake's.
    void Renegotiate(int seconds);

    TlsTransport& transport_;
    const SecurityFunctionTableA* sspi_;
    CredHandle credentials_{};
    CtxtHandle context_{};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    bool closed_ = false;
    bool heardServer_ = false;
    std::string host_;
    SecPkgContext_StreamSizes sizes_{};
    std::vector<char> incoming_;  // ciphertext not yet decrypted
    std::vector<char> plain_;     // decrypted bytes not yet handed out, from plainOffset_
    size_t plainOffset_ = 0;
    std::vector<char> outgoing_;                   // one encrypted record, reused
    std::vector<unsigned char> firstCertificate_;  // the server's at the end of Handshake
};
