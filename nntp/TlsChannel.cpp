// The chain parameters' retrieval time-out is among the fields this switch brings in.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "nntp/TlsChannel.h"

#include <schannel.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

#include "nntp/BlockingSocketException.h"
#include "nntp/CertificateName.h"

#ifndef SECURITY_FLAG_IGNORE_UNKNOWN_CA
#define SECURITY_FLAG_IGNORE_UNKNOWN_CA 0x00000100
#endif
#ifndef SECURITY_FLAG_IGNORE_CERT_DATE_INVALID
#define SECURITY_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000
#endif
#ifndef SECURITY_FLAG_IGNORE_REVOCATION
#define SECURITY_FLAG_IGNORE_REVOCATION 0x00000080
#endif
#ifndef SECURITY_FLAG_IGNORE_CERT_CN_INVALID
#define SECURITY_FLAG_IGNORE_CERT_CN_INVALID 0x00001000
#endif

namespace {

const char kNotTls[] = "The server did not answer with TLS. Check the server's port and its security setting.";
const char kClosedInHandshake[] = "The server closed the connection during the TLS handshake.";
const char kHandshakeFailed[] = "The TLS handshake with the server failed";
const char kHandshakeTooLong[] = "The server's TLS handshake is too long.";
const char kClosedMidRecord[] = "The server closed the secure connection in the middle of a record.";
const char kDecryptFailed[] = "The data from the server could not be decrypted";
const char kEncryptFailed[] = "The data for the server could not be encrypted";
const char kNoChannel[] = "The secure channel of this system could not be set up";
const char kCertificateChanged[] =
    "The server's certificate changed during the connection, so the connection was closed.";

const DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                            ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

// A TLS record starts with its content type: handshake (22) or alert (21) while shaking hands.
bool LooksLikeTls(unsigned char first) {
    return first == 22 || first == 21;
}

[[noreturn]] void Fail(const char* text, SECURITY_STATUS status) {
    char buffer[300];
    std::snprintf(buffer, sizeof buffer, "%s (0x%08lX).", text, static_cast<unsigned long>(status));
    throw new CBlockingSocketException(std::string(buffer), static_cast<long>(status));
}

[[noreturn]] void Fail(const char* text) {
    throw new CBlockingSocketException(std::string(text), 0L);
}

// Output tokens that SChannel allocated; freed however the step ends.
struct TokenBuffer {
    SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
    ~TokenBuffer() {
        if (buffer.pvBuffer != nullptr)
            FreeContextBuffer(buffer.pvBuffer);
    }
};

std::string HexFingerprint(const BYTE* hash, DWORD length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (DWORD i = 0; i < length; ++i) {
        if (i != 0)
            text += ':';
        text += kDigits[hash[i] >> 4];
        text += kDigits[hash[i] & 15];
    }
    return text;
}

// All the fetching that judging a certificate may do (revocation lists, OCSP, missing issuers)
// shares this much time. With no revocation server reachable the answer is "unknown", which is
// not a problem to show.
const DWORD kRetrievalMilliseconds = 4000;

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; text != nullptr && *text != 0; ++text)
        narrow += *text < 128 ? static_cast<char>(*text) : '?';  // no host name has '?'
    return narrow;
}

CertificateNames ReadNames(PCCERT_CONTEXT certificate) {
    CertificateNames names;
    const CERT_INFO* info = certificate->pCertInfo;
    PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (extension != nullptr) {
        CERT_ALT_NAME_INFO* alt = nullptr;
        DWORD size = 0;
        if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                 extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &alt, &size)) {
            names.dnsNames.push_back("");  // alt names that cannot be read match nothing, nor does the CN
        } else {
            for (DWORD i = 0; i < alt->cAltEntry; ++i) {
                const CERT_ALT_NAME_ENTRY& entry = alt->rgAltEntry[i];
                if (entry.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME)
                    names.dnsNames.push_back(Narrow(entry.pwszDNSName));
                else if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS)
                    names.ipAddresses.emplace_back(reinterpret_cast<const char*>(entry.IPAddress.pbData),
                                                   entry.IPAddress.cbData);
            }
            LocalFree(alt);
        }
    }
    char common[256] = "";
    if (CertGetNameStringA(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), common,
                           sizeof common) > 1)
        names.commonName = common;
    return names;
}

// The host as raw address bytes when it is an address literal ("[::1]" too), else empty.
std::string HostAddress(const std::string& host) {
    std::string text =
        host.size() > 2 && host.front() == '[' && host.back() == ']' ? host.substr(1, host.size() - 2) : host;
    unsigned char bytes[16];
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
        return std::string(reinterpret_cast<char*>(bytes), 4);
    if (inet_pton(AF_INET6, text.c_str(), bytes) == 1)
        return std::string(reinterpret_cast<char*>(bytes), 16);
    return std::string();
}

}  // namespace

CTlsChannel::CTlsChannel(TlsTransport& transport, const SecurityFunctionTableA* package)
    : transport_(transport), sspi_(package != nullptr ? package : InitSecurityInterfaceA()) {
    if (sspi_ == nullptr)
        Fail(kNoChannel);
}

CTlsChannel::~CTlsChannel() {
    if (haveContext_)
        sspi_->DeleteSecurityContext(&context_);
    if (haveCredentials_)
        sspi_->FreeCredentialsHandle(&credentials_);
}

void CTlsChannel::Handshake(const std::string& host, int seconds) {
    host_ = host;
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is judged by CheckCertificate, so that a failure can be shown and the
    // user's trust applied; the package must not decide (or stop) on its own.
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    SECURITY_STATUS status =
        sspi_->AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, &cred,
                                         nullptr, nullptr, &credentials_, &expiry);
    if (status != SEC_E_OK)
        Fail(kNoChannel, status);
    haveCredentials_ = true;
    HandshakeLoop(host, seconds, false);
    status = sspi_->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (status != SEC_E_OK)
        Fail(kHandshakeFailed, status);
    firstCertificate_ = RemoteCertificate();
}

std::vector<unsigned char> CTlsChannel::RemoteCertificate() const {
    PCCERT_CONTEXT certificate = nullptr;
    if (!haveContext_ ||
        sspi_->QueryContextAttributesA(const_cast<CtxtHandle*>(&context_), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                       &certificate) != SEC_E_OK ||
        certificate == nullptr)
        return {};
    std::vector<unsigned char> encoded(certificate->pbCertEncoded,
                                       certificate->pbCertEncoded + certificate->cbCertEncoded);
    CertFreeCertificateContext(certificate);
    return encoded;
}

void CTlsChannel::Renegotiate(int seconds) {
    // The package is asked first, with what is buffered (possibly nothing): after a server's
    // HelloRequest it is the client that speaks next, so waiting for the server would wait for
    // ever.
    HandshakeLoop(host_, seconds, true);
    SECURITY_STATUS status = sspi_->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (status != SEC_E_OK)
        Fail(kHandshakeFailed, status);
    // The user accepted (or the checks passed for) the first certificate only; a server that
    // turns up with another one mid-connection is not the server that was judged.
    if (RemoteCertificate() != firstCertificate_)
        Fail(kCertificateChanged);
}

void CTlsChannel::HandshakeLoop(const std::string& host, int seconds, bool haveInput) {
    bool first = !haveContext_;
    bool needRead = !first && !haveInput;
    for (;;) {
        if (needRead) {
            if (!ReadMore(seconds))
                Fail(kClosedInHandshake);
            // Only the server's first byte tells: later records of a TLS 1.3 handshake are
            // marked as application data.
            if (!heardServer_ && !LooksLikeTls(static_cast<unsigned char>(incoming_[0])))
                Fail(kNotTls);
            heardServer_ = true;
        }
        SecBuffer inBuffers[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                                  {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc input{SECBUFFER_VERSION, 2, inBuffers};
        TokenBuffer token;
        SecBufferDesc output{SECBUFFER_VERSION, 1, &token.buffer};
        ULONG attributes = 0;
        TimeStamp expiry;
        SECURITY_STATUS status = sspi_->InitializeSecurityContextA(
            &credentials_, first ? nullptr : &context_, const_cast<char*>(host.c_str()), kContextFlags, 0, 0,
            first ? nullptr : &input, 0, first ? &context_ : nullptr, &output, &attributes, &expiry);
        if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE))
            haveContext_ = true;
        first = false;
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needRead = true;
            continue;
        }
        // A token is sent even with an error status: it is then the alert that tells the server.
        if (token.buffer.cbBuffer != 0 && token.buffer.pvBuffer != nullptr)
            SendToken(token.buffer.pvBuffer, token.buffer.cbBuffer, seconds);
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The server asks for a client certificate; go on without one and let it decide.
            needRead = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED)
            Fail(kHandshakeFailed, status);
        if (inBuffers[1].BufferType == SECBUFFER_EXTRA)
            KeepExtra(inBuffers[1].cbBuffer);
        else
            incoming_.clear();
        if (status == SEC_E_OK)
            return;  // what is left in incoming_ is the first application record
        needRead = incoming_.empty();
    }
}

void CTlsChannel::SendToken(const void* data, unsigned long length, int seconds) {
    const char* bytes = static_cast<const char*>(data);
    unsigned long sent = 0;
    while (sent < length) {
        int count = transport_.RawSend(bytes + sent, static_cast<int>(length - sent), seconds);
        if (count <= 0)
            Fail(kClosedInHandshake);
        sent += static_cast<unsigned long>(count);
    }
}

bool CTlsChannel::ReadMore(int seconds) {
    if (incoming_.size() >= kMaxHandshakeBytes)
        Fail(kHandshakeTooLong);
    size_t had = incoming_.size();
    const size_t piece = 32 * 1024;
    incoming_.resize(had + piece);
    int received = transport_.RawReceive(incoming_.data() + had, static_cast<int>(piece), seconds);
    incoming_.resize(had + (received > 0 ? static_cast<size_t>(received) : 0));
    return received > 0;
}

void CTlsChannel::KeepExtra(unsigned long extra) {
    if (extra > incoming_.size())
        extra = static_cast<unsigned long>(incoming_.size());
    incoming_.erase(incoming_.begin(), incoming_.end() - static_cast<std::ptrdiff_t>(extra));
}

int CTlsChannel::Send(const char* buffer, int length, int seconds) {
    if (length <= 0)
        return 0;
    unsigned long chunk = static_cast<unsigned long>(length);
    if (chunk > sizes_.cbMaximumMessage)
        chunk = sizes_.cbMaximumMessage;
    outgoing_.resize(sizes_.cbHeader + chunk + sizes_.cbTrailer);
    char* record = outgoing_.data();
    std::memcpy(record + sizes_.cbHeader, buffer, chunk);
    SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record},
                            {chunk, SECBUFFER_DATA, record + sizes_.cbHeader},
                            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record + sizes_.cbHeader + chunk},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = sspi_->EncryptMessage(&context_, 0, &message, 0);
    if (status != SEC_E_OK)
        Fail(kEncryptFailed, status);
    unsigned long total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    unsigned long sent = 0;
    while (sent < total) {
        int count = transport_.RawSend(record + sent, static_cast<int>(total - sent), seconds);
        if (count <= 0) {
            WSASetLastError(WSAECONNRESET);
            throw new CBlockingSocketException("Send Failed");
        }
        sent += static_cast<unsigned long>(count);
    }
    return static_cast<int>(chunk);
}

int CTlsChannel::Receive(char* buffer, int size, int seconds) {
    while (plainOffset_ >= plain_.size()) {
        plain_.clear();
        plainOffset_ = 0;
        if (closed_)
            return 0;
        if (incoming_.empty() && !ReadMore(seconds))
            return 0;  // the stream ended between records
        SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = sspi_->DecryptMessage(&context_, &message, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            if (!ReadMore(seconds))
                Fail(kClosedMidRecord);
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
            Fail(kDecryptFailed, status);
        SecBuffer* extra = nullptr;
        for (SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.cbBuffer != 0)
                plain_.assign(static_cast<char*>(b.pvBuffer), static_cast<char*>(b.pvBuffer) + b.cbBuffer);
            else if (b.BufferType == SECBUFFER_EXTRA)
                extra = &b;
        }
        KeepExtra(extra != nullptr ? extra->cbBuffer : 0);
        if (status == SEC_I_CONTEXT_EXPIRED) {
            // close_notify: what came before it is still handed out, then the stream ends.
            closed_ = true;
        } else if (status == SEC_I_RENEGOTIATE) {
            // A handshake message after the handshake (renegotiation, or a TLS 1.3 ticket or
            // key update): the package wants it, and whatever follows, as handshake input.
            Renegotiate(seconds);
        }
    }
    size_t count = plain_.size() - plainOffset_;
    if (count > static_cast<size_t>(size))
        count = static_cast<size_t>(size);
    std::memcpy(buffer, plain_.data() + plainOffset_, count);
    plainOffset_ += count;
    return static_cast<int>(count);
}

TlsCertificateCheck CTlsChannel::CheckCertificate(const std::string& host) const {
    TlsCertificateCheck check;
    PCCERT_CONTEXT certificate = nullptr;
    if (!haveContext_ ||
        sspi_->QueryContextAttributesA(const_cast<CtxtHandle*>(&context_), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                       &certificate) != SEC_E_OK ||
        certificate == nullptr) {
        check.problem = "The server sent no certificate that could be read.";
        return check;
    }
    BYTE hash[32];
    DWORD hashLength = sizeof hash;
    if (CryptHashCertificate2(L"SHA256", 0, nullptr, certificate->pbCertEncoded, certificate->cbCertEncoded, hash,
                              &hashLength))
        check.fingerprint = HexFingerprint(hash, hashLength);
    char name[256] = "";
    CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    check.subject = name;

    // Revocation is asked of every certificate but the root, which nobody above it can revoke.
    // The time-out bounds all of the chain's fetching together, not each fetch.
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.dwUrlRetrievalTimeout = kRetrievalMilliseconds;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(
            nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
            CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT, nullptr,
            &chain)) {
        check.problem = "The certificate's chain could not be built.";
        CertFreeCertificateContext(certificate);
        return check;
    }
    // Each problem is listed on its own: one that hides another would let the user trust a
    // certificate for a fault that he did not see.
    DWORD trust = chain->TrustStatus.dwErrorStatus;
    std::string problems;
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID)
        problems += "The certificate has expired or is not yet valid. ";
    if (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        problems += "The certificate is not issued by an authority this computer trusts. ";
    if (trust & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        problems += "The certificate's signature is not valid. ";
    if (trust & CERT_TRUST_IS_REVOKED)
        problems += "The certificate has been revoked. ";
    if (!CertificateIsForHost(ReadNames(certificate), host, HostAddress(host)))
        problems += "The certificate was issued for another name than \"" + host + "\". ";

    // Whatever else the SSL policy refuses (a certificate not meant for servers, say). The
    // problems above, and revocation that could not be learnt, are passed over here.
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_REVOCATION;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result{};
    result.cbSize = sizeof result;
    // Revocation that nobody could answer for is no problem to show, whether or not this
    // system's policy honours the flags that say so.
    bool policyRan = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result) != FALSE;
    DWORD refusal = result.dwError;
    if (refusal == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK) ||
        refusal == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE))
        refusal = 0;
    if (!policyRan) {
        problems += "The certificate could not be checked. ";
    } else if (refusal != 0 && problems.empty()) {
        char text[100];
        std::snprintf(text, sizeof text, "The certificate was refused (0x%08lX). ",
                      static_cast<unsigned long>(refusal));
        problems += text;
    }
    if (check.fingerprint.empty())
        problems += "The certificate's fingerprint could not be computed. ";
    if (!problems.empty())
        problems.pop_back();
    check.problem = problems;
    CertFreeCertificateChain(chain);
    CertFreeCertificateContext(certificate);
    return check;
}
