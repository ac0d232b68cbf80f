// The channel's answer to a renegotiation, driven through a scripted security package: what
// comes after the server's request, and whether the certificate may change.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The channel's header brings windows.h, whose GetMessage macro the exception's header must see.
#include "nntp/TlsChannel.h"

#include <schannel.h>

#include "nntp/BlockingSocketException.h"

namespace {

// The calls the channel made, in order, and the certificates the package hands out: the first
// one during the first handshake, the second after a renegotiation.
std::vector<std::string> gCalls;
PCCERT_CONTEXT gCertificates[2] = {nullptr, nullptr};
int gHandshakes = 0;
int gDecrypts = 0;

SECURITY_STATUS SEC_ENTRY
FakeAcquire(SEC_CHAR*, SEC_CHAR*, ULONG, void*, void*, SEC_GET_KEY_FN, void*, PCredHandle, PTimeStamp) {
    return SEC_E_OK;
}

SECURITY_STATUS SEC_ENTRY FakeFree(PCredHandle) {
    return SEC_E_OK;
}

SECURITY_STATUS SEC_ENTRY FakeDelete(PCtxtHandle) {
    return SEC_E_OK;
}

// Every step of a handshake completes at once and sends nothing.
SECURITY_STATUS SEC_ENTRY FakeInitialize(PCredHandle,
                                         PCtxtHandle,
                                         SEC_CHAR*,
                                         ULONG,
                                         ULONG,
                                         ULONG,
                                         PSecBufferDesc,
                                         ULONG,
                                         PCtxtHandle,
                                         PSecBufferDesc,
                                         PULONG,
                                         PTimeStamp) {
    gCalls.push_back("handshake");
    ++gHandshakes;
    return SEC_E_OK;
}

SECURITY_STATUS SEC_ENTRY FakeQuery(PCtxtHandle, ULONG attribute, void* buffer) {
    if (attribute == SECPKG_ATTR_STREAM_SIZES) {
        *static_cast<SecPkgContext_StreamSizes*>(buffer) = {5, 16, 16384, 4, 16};
        return SEC_E_OK;
    }
    if (attribute == SECPKG_ATTR_REMOTE_CERT_CONTEXT) {
        PCCERT_CONTEXT certificate = gCertificates[gHandshakes > 1 ? 1 : 0];
        *static_cast<PCCERT_CONTEXT*>(buffer) = CertDuplicateCertificateContext(certificate);
        return certificate != nullptr ? SEC_E_OK : SEC_E_NO_CREDENTIALS;
    }
    return SEC_E_UNSUPPORTED_FUNCTION;
}

// The first record asks for a new handshake (and is used up by it, as some packages do); every
// later one decrypts to "hello".
SECURITY_STATUS SEC_ENTRY FakeDecrypt(PCtxtHandle, PSecBufferDesc message, ULONG, PULONG) {
    gCalls.push_back("decrypt");
    SecBuffer* buffers = message->pBuffers;
    if (gDecrypts++ == 0) {
        buffers[0].BufferType = SECBUFFER_STREAM_HEADER;
        return SEC_I_RENEGOTIATE;
    }
    static char hello[] = "hello";
    buffers[1] = {5, SECBUFFER_DATA, hello};
    return SEC_E_OK;
}

SecurityFunctionTableA ScriptedPackage() {
    SecurityFunctionTableA table{};
    table.AcquireCredentialsHandleA = FakeAcquire;
    table.FreeCredentialsHandle = FakeFree;
    table.DeleteSecurityContext = FakeDelete;
    table.InitializeSecurityContextA = FakeInitialize;
    table.QueryContextAttributesA = FakeQuery;
    table.DecryptMessage = FakeDecrypt;
    return table;
}

// A server that sends one record at every read.
class RecordTransport : public TlsTransport {
public:
    int RawSend(const char*, int length, int) override { return length; }
    int RawReceive(char* buffer, int size, int) override {
        gCalls.push_back("read");
        return size < 5 ? 0 : (std::memcpy(buffer, "\x17\x03\x03\x00\x00", 5), 5);
    }
};

// A certificate that the scripted TLS server made at its start: in `store` when given (where
// the chain finds the certificates beside it, as with those a server sends), else on its own.
PCCERT_CONTEXT LoadCertificate(const std::string& name, HCERTSTORE store = nullptr) {
    const char* dir = std::getenv("RP_TLS_NNTP_DIR");
    std::ifstream file((dir && *dir ? std::string(dir) + "/" : std::string()) + name, std::ios::binary);
    std::stringstream pem;
    pem << file.rdbuf();
    std::string text = pem.str();
    DWORD size = 0;
    if (text.empty() ||
        !CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return nullptr;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return nullptr;
    if (store == nullptr)
        return CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
    PCCERT_CONTEXT added = nullptr;
    CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS, &added);
    return added;
}

// Every problem is named, the wrong name beside a broken signature too; a revocation list that
// cannot be fetched is not a problem, and its fetch does not hold the check up.
TEST(TlsChannelTest, TheCertificateCheckNamesEveryProblemButUnknownRevocation) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    PCCERT_CONTEXT authority = LoadCertificate("crl_ca.pem", store);
    const struct {
        const char* file;
        const char* problem;
    } cases[] = {
        {"badsig.pem",
         "The certificate is not issued by an authority this computer trusts. The certificate's signature is not "
         "valid. The certificate was issued for another name than \"127.0.0.1\"."},
        {"crl.pem", "The certificate is not issued by an authority this computer trusts."},
    };
    for (const auto& c : cases) {
        PCCERT_CONTEXT certificate = LoadCertificate(c.file, store);
        RP_REQUIRE_OR_SKIP(certificate != nullptr && authority != nullptr,
                           "the scripted TLS server's certificates are missing");
        gHandshakes = 0;
        gCertificates[0] = certificate;
        SecurityFunctionTableA package = ScriptedPackage();
        RecordTransport transport;
        CTlsChannel channel(transport, &package);
        channel.Handshake("127.0.0.1", 5);
        EXPECT_EQ(c.problem, channel.CheckCertificate("127.0.0.1").problem) << c.file;
        CertFreeCertificateContext(certificate);
    }
    gCertificates[0] = nullptr;
    CertFreeCertificateContext(authority);
    CertCloseStore(store, 0);
}

TEST(TlsChannelTest, ARenegotiationIsAnsweredAtOnceAndKeepsTheFirstCertificate) {
    PCCERT_CONTEXT good = LoadCertificate("good.pem");
    PCCERT_CONTEXT other = LoadCertificate("wrongname.pem");
    RP_REQUIRE_OR_SKIP(good != nullptr && other != nullptr, "the scripted TLS server's certificates are missing");
    const struct {
        PCCERT_CONTEXT after;
        bool ok;
    } cases[] = {{good, true}, {other, false}};
    for (const auto& c : cases) {
        gCalls.clear();
        gHandshakes = 0;
        gDecrypts = 0;
        gCertificates[0] = good;
        gCertificates[1] = c.after;
        SecurityFunctionTableA package = ScriptedPackage();
        RecordTransport transport;
        CTlsChannel channel(transport, &package);
        channel.Handshake("127.0.0.1", 5);
        char buffer[16] = "";
        std::string thrown;
        int received = 0;
        try {
            received = channel.Receive(buffer, sizeof buffer, 5);
        } catch (CBlockingSocketException* failure) {
            std::unique_ptr<CBlockingSocketException> owned(failure);
            thrown = failure->GetMessage();
        }
        // After the server's request the client speaks first: no read before the new handshake.
        ASSERT_GE(gCalls.size(), 4u);
        EXPECT_EQ("read", gCalls[1]);
        EXPECT_EQ("decrypt", gCalls[2]);
        EXPECT_EQ("handshake", gCalls[3]);
        if (c.ok) {
            EXPECT_EQ("hello", std::string(buffer, received));
            EXPECT_EQ("", thrown);
        } else {
            EXPECT_EQ("The server's certificate changed during the connection, so the connection was closed.", thrown);
        }
    }
    CertFreeCertificateContext(good);
    CertFreeCertificateContext(other);
}

}  // namespace
