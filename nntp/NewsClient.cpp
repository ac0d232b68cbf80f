#include "nntp/NewsClient.h"

#include <windows.h>

#include <shlwapi.h>

#include <memory>
#include <mutex>
#include <set>

#include "host/Optex.h"
#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ProgressGate.h"
#include "nntp/ReplyAssembler.h"
#include "nntp/ReplyBufferPool.h"
#include "nntp/ServerAccount.h"

namespace {

// What a large server's LIST comes to: a hundred thousand groups in about 2.5 MB.
const size_t kGroupListRoom = 4u << 20;
const char kPasswordWrong[] = "You Password is wrong,Please check out your configuration!";
const char kNoArticlesAdded[] = "0 new articles added";
const char kBadLocation[] = "The news server's address is not a host name with an optional \":port\" (1 to 65535).";
const char kLoginNeedsTls[] =
    "The login was not sent: this server is set to use TLS, and the connection is not encrypted.";
const char kCertificateRefused[] =
    "The server's certificate was not trusted, so the connection was closed before anything was sent.";
const char kNoStartTls[] =
    "The server does not offer STARTTLS, so the connection was closed without sending anything more. Choose "
    "another security setting for this server only if you accept that everything, the password too, goes in clear.";
const char kStartTlsRefused[] =
    "The server refused STARTTLS, so the connection was closed without sending anything more: ";

// The servers that refused compression, or whose compressed stream failed, since the plug-in was
// loaded: they are not asked again until it unloads. Their stored settings are not changed.
std::mutex gNoCompressionLock;
std::set<std::string>& NoCompressionServers() {
    static std::set<std::string> servers;
    return servers;
}

void RefuseCompression(const std::string& server) {
    std::lock_guard<std::mutex> hold(gNoCompressionLock);
    NoCompressionServers().insert(server);
}

bool IsCompressionRefused(const std::string& server) {
    std::lock_guard<std::mutex> hold(gNoCompressionLock);
    return NoCompressionServers().count(server) != 0;
}

// The system's text for a sockets-layer error, or empty when it has none.
std::string SystemErrorText(int code) {
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result;
    if (length != 0 && text != nullptr)
        result.assign(text, length);
    if (text != nullptr)
        LocalFree(text);
    return result;
}

}  // namespace

bool NewsClient::Open(const std::string& server, const Opening& opening, const StatusFn& status) {
    socket_.Close();
    readerMode_ = false;
    capabilities_.clear();
    noCapabilities_ = false;
    ServerAccount record;
    {
        OptexLock lock(*context_.configOptex);
        record = ReadServerAccount(*context_.config, server);
    }
    extensions_ = record.extensions && opening.capabilities;
    std::string host;
    unsigned short port = 0;
    if (!SplitServerLocation(server, record.security, &host, &port))
        throw new CBlockingSocketException(std::string(kBadLocation), 0L);
    if (port_ != 0)
        port = port_;
    socket_.Create(SOCK_STREAM);
    // A Cancel that came before this socket existed had nothing to close; it is seen here, and
    // again after the name lookup, so that the operation never connects. A Cancel from now on
    // closes this socket and the connect or the next read fails.
    FailIfCancelled();
    if (opening.connecting)
        status(opening.connecting);
    SOCKADDR_IN address = CBlockingSocket::GetHostByName(host.c_str(), port);
    FailIfCancelled();
    socket_.Connect(reinterpret_cast<const SOCKADDR*>(&address));
    if (record.security == kSecurityTls)
        SecureConnection(server, host, record.trustedCertificate);
    std::string line;
    if (opening.connected && opening.connectedBeforeGreeting)
        status(opening.connected);
    // The greeting's code is not examined: a refusing server fails on the commands that follow.
    socket_.ReadLine(&line, timeout_);
    if (opening.connected && !opening.connectedBeforeGreeting)
        status(opening.connected);
    AskCapabilities();
    // A server that lists READER reads already: MODE READER would change nothing and cost two
    // round trips, its own and the list asked again after it. STARTTLS is offered to readers, so
    // a STARTTLS server is put in reader mode first unless it says it is one.
    if ((opening.readerMode || record.security == kSecurityStartTls) && !Offers("READER"))
        SwitchToReader();
    if (record.security == kSecurityStartTls)
        StartTls(server, host, record.trustedCertificate);

    bool loggedIn = true;
    // The account is read again (it may have changed since the connection was opened) and copied
    // out: the lock is never held while the server is waited for, or a server that stalls in the
    // login would stop every folder opening and menu of the client with it.
    ServerAccount account;
    {
        OptexLock lock(*context_.configOptex);
        account = ReadServerAccount(*context_.config, server);
    }
    if (account.authentication != 0) {
        // A login is never sent in clear to a server whose record asks for TLS.
        if (account.security != kSecurityPlain && !socket_.IsSecure())
            throw new CBlockingSocketException(std::string(kLoginNeedsTls), 0L);
        if (opening.loggingIn)
            status(opening.loggingIn);
        loggedIn = Authenticate(account.username, account.password);
        // A server may offer more to a user it knows.
        if (loggedIn)
            AskCapabilities();
    }
    if (loggedIn)
        StartCompression(server);
    // Reported after the lock is released: a message box waits for the user, and every other
    // configuration access would wait with it.
    if (!loggedIn) {
        context_.display->ShowMessage(kPasswordWrong);
        context_.display->SetHostMessage(kNoArticlesAdded);
    }
    return loggedIn;
}

void NewsClient::SecureConnection(const std::string& server, const std::string& host, const std::string& trusted) {
    socket_.StartTls(host, timeout_);
    TlsCertificateCheck check = socket_.CheckCertificate(host);
    if (check.problem.empty())
        return;
    // A certificate the user has trusted for this server before passes; a changed one asks again.
    if (!check.fingerprint.empty() && check.fingerprint == trusted)
        return;
    if (check.fingerprint.empty() ||
        !context_.display->AskTrustCertificate(server, check.problem, check.fingerprint, check.subject))
        throw new CBlockingSocketException(std::string(kCertificateRefused), 0L);
    // Kept at once where the operation has the plug-in's state (the group-list fetch has not:
    // its trust reaches the file with the next save).
    OptexLock lock(*context_.configOptex);
    if (WriteTrustedCertificate(*context_.config, server, check.fingerprint) && context_.shared)
        context_.shared->SaveConfiguration();
}

void NewsClient::AskCapabilities() {
    if (!extensions_ || noCapabilities_)
        return;
    socket_.WriteString("CAPABILITIES\r\n", timeout_);
    socket_.ReadMultiLine(&capabilities_, timeout_);
    // Any other answer (a server that does not know the command says 500) is no list: the
    // conversation goes on with the commands every server knows, and is not asked again.
    if (!ReplyIs(capabilities_, kReplyCapabilityList)) {
        capabilities_.clear();
        noCapabilities_ = true;
    }
}

bool NewsClient::Offers(const char* label) const {
    return !capabilities_.empty() && HasCapability(capabilities_, label);
}

void NewsClient::StartCompression(const std::string& server) {
    // Nothing may change the server's state after COMPRESS (no MODE READER, no login), so it is
    // asked only of a server that reads already.
    if (!Offers("READER") || !HasCapability(capabilities_, "COMPRESS", "DEFLATE") || IsCompressionRefused(server))
        return;
    std::string line;
    socket_.WriteString("COMPRESS DEFLATE\r\n", timeout_);
    socket_.ReadLine(&line, timeout_);
    // A refusal (403, 502) leaves the connection as it was: the operation goes on in clear.
    if (!ReplyIs(line, kReplyCompressionActive)) {
        RefuseCompression(server);
        return;
    }
    socket_.StartCompression([server] { RefuseCompression(server); });
}

void NewsClient::SwitchToReader() {
    std::string line;
    socket_.WriteString("MODE READER\r\n", timeout_);
    socket_.ReadLine(&line, timeout_);
    readerMode_ = true;
    AskCapabilities();
}

void NewsClient::StartTls(const std::string& server, const std::string& host, const std::string& trusted) {
    std::string reply;
    // With the extensions on, the list asked after MODE READER is the latest; without them, or
    // when no list came, it is asked here for STARTTLS alone.
    if (!capabilities_.empty()) {
        reply = capabilities_;
    } else {
        socket_.WriteString("CAPABILITIES\r\n", timeout_);
        socket_.ReadMultiLine(&reply, timeout_);
    }
    if (!ReplyIs(reply, kReplyCapabilityList) || !HasCapability(reply, "STARTTLS"))
        throw new CBlockingSocketException(std::string(kNoStartTls), 0L);
    socket_.WriteString("STARTTLS\r\n", timeout_);
    socket_.ReadLine(&reply, timeout_);
    if (!ReplyIs(reply, kReplyContinueWithTls))
        throw new CBlockingSocketException(std::string(kStartTlsRefused) + WithoutLineEnd(reply), 0L);
    SecureConnection(server, host, trusted);
    // What the server said before TLS may have been tampered with: it is asked again, and only
    // this list counts from now on.
    capabilities_.clear();
    socket_.WriteString("CAPABILITIES\r\n", timeout_);
    socket_.ReadMultiLine(&reply, timeout_);
    if (extensions_ && ReplyIs(reply, kReplyCapabilityList))
        capabilities_ = reply;
}

bool NewsClient::Authenticate(std::string user, std::string password) {
    std::string userCommand;
    std::string passCommand;
    if (!BuildCommand("AUTHINFO USER", user, &userCommand) || !BuildCommand("AUTHINFO PASS", password, &passCommand))
        return false;
    std::string reply;
    socket_.WriteString(userCommand, timeout_);
    socket_.ReadLine(&reply, timeout_);
    if (!ReplyIs(reply, kReplyPasswordRequired) && !ReplyIs(reply, kReplyAuthAccepted))
        return false;
    socket_.WriteString(passCommand, timeout_);
    socket_.ReadLine(&reply, timeout_);
    return ReplyIs(reply, kReplyAuthAccepted);
}

void NewsClient::ReadResponse(std::string* out,
                              int expectedSize,
                              const std::string& mailId,
                              SyncView* sync,
                              const std::string& itemText,
                              GroupListView* groupList,
                              int itemCount,
                              int itemNumber) {
    char sizeText[256] = "";
    StrFormatByteSizeA(static_cast<DWORD>(expectedSize < 0 ? 0 : expectedSize), sizeText, sizeof sizeText);
    out->clear();
    MultiLineAssembler reply(socket_.MaxReply());
    // An article's announced size: received into one buffer, nothing is copied on the way. A group
    // list announces nothing; room for a large server's list is set aside (only the pages the
    // reply fills are ever touched), so that it does not move through every size on the way.
    if (groupList)
        reply.Reserve(kGroupListRoom);
    else if (expectedSize > 0)
        reply.Reserve(static_cast<size_t>(expectedSize));
    CBlockingSocket::BlockReply pace(socket_, timeout_);
    long long total = 0;
    ProgressGate gate;
    while (reply.GetState() == MultiLineAssembler::kMore) {
        total += static_cast<long long>(socket_.FeedReply(&reply, timeout_));

        int percent = DownloadPercent(total, expectedSize);
        // The group list has no percentage: its count of lines is what changes.
        long long shown = groupList && !sync ? static_cast<long long>(reply.LineFeeds()) : percent;
        if (!gate.Pass(shown, GetTickCount64(), reply.GetState() != MultiLineAssembler::kMore))
            continue;
        if (sync) {
            sync->SetStatus(FormatSyncProgress(percent, sizeText, itemText, itemNumber, itemCount));
            sync->SetItemProgress(percent);
        } else if (groupList) {
            groupList->SetStatus(FormatGroupsRetrieved(static_cast<long long>(reply.LineFeeds())));
        } else if (!mailId.empty() && mailId == context_.display->CurrentMail()) {
            context_.display->SetHostMessage(FormatHostProgress(percent, sizeText));
        }
    }
    *out = reply.Take();
}

bool NewsClient::GetGroupList(std::string server, GroupListView* dialog) {
    StatusFn status = [dialog](const std::string& text) {
        if (dialog)
            dialog->SetStatus(text);
    };
    groupListComplete_ = false;
    try {
        static const Opening kOpening = {"Connecting to the server...", "Connection established!", true,
                                         "Logining to the server...", true};
        if (!Open(server, kOpening, status))
            return false;
        socket_.WriteString("LIST\r\n", timeout_);
        status("Getting group list from the server, Please wait...");
        std::string reply;
        ReadResponse(&reply, 30, std::string(), nullptr, std::string(), dialog, 0, 0);
        if (!ReplyIs(reply, kReplyListFollows))
            context_.display->ShowMessage(reply);
        else
            status("Parsing group list...");
        const bool complete = ReplyIs(reply, kReplyListFollows);
        // The names are written over the reply, whose buffer then holds them for as long as this
        // client lives and goes back to the spare with it: no new pages for the list's text.
        MakeGroupListText(&reply);
        if (groupListText_.empty()) {
            groupListText_.swap(reply);
        } else {
            groupListText_ += reply;
        }
        ReplyBufferPool::GiveBack(std::move(reply));
        groupListComplete_ = complete;
        return true;
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        // After Cancel the closed socket's error is the user's own doing and is not shown.
        bool cancelled = dialog && dialog->IsCancelled();
        ReportSocketFailure(*failure, !cancelled,
                            [this](const std::string& text) { context_.display->ShowMessage(text); });
        return false;
    } catch (...) {
        // Anything else (memory running out over a huge list, say) ends the fetch the same
        // defined way: reported, and false. It must not reach the dialog's worker thread.
        ReportOtherFailure();
        return false;
    }
}

NewsClient::~NewsClient() {
    try {
        ReplyBufferPool::GiveBack(std::move(groupListText_));
    } catch (...) {
        // Only a spare: the text is freed with the client instead.
    }
}

std::vector<std::string> NewsClient::GroupNames() const {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t comma; (comma = groupListText_.find(',', start)) != std::string::npos; start = comma + 1)
        names.emplace_back(groupListText_, start, comma - start);
    return names;
}

void NewsClient::ReportOtherFailure() {
    try {
        context_.display->ShowMessage(kUnknownExceptionText);
    } catch (...) {
    }
}

void NewsClient::FailIfCancelled() {
    if (!IsCancelled())
        return;
    socket_.Close();
    WSASetLastError(WSAEINTR);
    throw new CBlockingSocketException("Connect Failed");
}

void NewsClient::Cancel() {
    InterlockedExchange(&cancelled_, 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            socket_.Close();
            return;
        } catch (CBlockingSocketException* thrown) {
            delete thrown;
        } catch (...) {
        }
    }
}

void NewsClient::ReportSocketFailure(const CBlockingSocketException& failure,
                                     bool showSystemText,
                                     const StatusFn& show) {
    // The failure that a Cancel causes is the user's own doing.
    if (IsCancelled())
        return;
    if (failure.IsShownAsIs()) {
        if (showSystemText)
            show(failure.GetMessage());
        return;
    }
    if (IsTimeoutMessage(failure.GetMessage())) {
        show(failure.GetMessage());
        return;
    }
    if (!showSystemText)
        return;
    std::string text = SystemErrorText(failure.GetErrorCode());
    if (text.empty()) {
        // A failure with no system text is still a failure the user must see.
        char own[200];
        failure.GetErrorMessage(own, sizeof own);
        text = own;
    }
    show(text);
}
