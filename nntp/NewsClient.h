// The NNTP client: each operation is one whole conversation with one news server. It opens a
// new connection (closing the one the previous operation left open), reads the greeting,
// switches to reader mode where the operation wants it, logs in when the server's configuration
// asks for it, and runs its commands. No operation lets an exception out: socket failures are
// shown through the NewsDisplay and end the operation with false.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "nntp/BlockingSocket.h"
#include "nntp/NewsDisplay.h"
#include "nntp/NewsHost.h"

class CXmlConfig;
class Optex;

// What the client works with. All of them outlive the client; the configuration document is
// touched only while configOptex is held. The reading operations (group updates and article
// retrieval) also need the host and the plug-in's shared state; the group list needs neither.
struct NewsContext {
    CXmlConfig* config = nullptr;
    Optex* configOptex = nullptr;
    NewsDisplay* display = nullptr;
    NewsHost* host = nullptr;
    NewsShared* shared = nullptr;
};

class NewsClient {
public:
    static constexpr unsigned short kNntpPort = 119;

    explicit NewsClient(const NewsContext& context) : context_(context) {}
    // Gives the group list's buffer back to the spare.
    virtual ~NewsClient();
    NewsClient(const NewsClient&) = delete;
    NewsClient& operator=(const NewsClient&) = delete;

    // Fetches the server's whole list with LIST and appends the names to GroupListText(). A reply
    // other than 215 is shown but is not a failure. The dialog may be null. Nothing is thrown:
    // a socket failure is shown as such, any other exception as an unknown one.
    bool GetGroupList(std::string server, GroupListView* dialog);

    // Brings the group's new articles into its folder as placeholders (GROUP, then XOVER of the
    // range after the stored LastNumber). inDialog 0 is status-bar mode: texts go to part 1 of
    // the host's status bar, the folder leaves the busy-folder list however the update ends, and
    // the host re-reads the folder when it is on display. inDialog 1 reports to `dialog`, which
    // may be null (the timer's run). A failed update gives back the part of its range that it
    // did not append. Nothing is thrown.
    bool UpdateGroupHeaders(std::string server,
                            std::string group,
                            std::string folderId,
                            int inDialog,
                            SyncView* dialog);
    // The same range, fetched as whole articles with ARTICLE and appended as received.
    bool UpdateGroupArticles(std::string server, std::string group, std::string folderId, SyncView* dialog);
    // UpdateGroupHeaders in dialog mode when headersOnly is non-zero, else UpdateGroupArticles.
    bool SynchronizeGroup(std::string server,
                          std::string group,
                          std::string folderId,
                          int headersOnly,
                          SyncView* dialog);
    // Fetches one article and puts it in place of its placeholder (or on display, see
    // NewsRetrieval.cpp). On failure the placeholder's download flag goes back to "FALSE".
    bool RetrieveArticle(std::string server, std::string group, std::string mailId, std::string messageId, int size);

    // Posts an article written in the compose window, `article` being its text as the send event
    // was handed it. The dialog (null: none) shows the transfer and is hidden at every end. An
    // article that was not posted, for whatever reason, goes back to the user through
    // NewsHost::ReturnArticle. Nothing is thrown.
    bool PostArticle(const std::string& server, const std::string& article, PostingView* dialog);
    // What a posting reached, for whoever must finish it: true once the server answered 240.
    bool ServerAccepted() const { return accepted_ != 0; }
    // The right to give the article back, taken once: false when the server has accepted the
    // article or the give-back was claimed already (by the posting itself, by its worker after a
    // fault, or by the plug-in's exit). Any thread.
    bool ClaimGiveBack();

    // Writes `text` framed for the wire (ArticleFramer) in pieces of kPostPiece bytes, showing
    // "Sending %d%%, %s total" and the percentage as ProgressGate lets through (the first piece's
    // and the last always). Throws what the socket throws.
    void SendWithProgress(const std::string& text, PostingView* dialog);
    static constexpr int kPostPiece = 65536;

    // AUTHINFO USER, then (after 381 or 281) AUTHINFO PASS; true when that answer is 281. A
    // user name or password holding a line break is refused without sending anything. A step of
    // the operations' opening: throws what the socket throws, for the operation to report.
    bool Authenticate(std::string user, std::string password);

    // Reads a multi-line reply in pieces, reporting progress to the first display target given:
    // the synchronization dialog, else the group-list dialog, else the host's status bar while
    // mailId is the host's current mail. Throws what the socket throws.
    void ReadResponse(std::string* out,
                      int expectedSize,
                      const std::string& mailId,
                      SyncView* sync,
                      const std::string& itemText,
                      GroupListView* groupList,
                      int itemCount,
                      int itemNumber);

    // Names appended by GetGroupList, in the server's order; never emptied by it. Read only after
    // the fetching thread has ended. Kept in the group list's stored form, each name followed by
    // a comma: a large server lists a hundred thousand names, and one text costs a fraction of as
    // many strings.
    const std::string& GroupListText() const { return groupListText_; }
    // The same names one by one. A name with a comma in it (no server should list one) comes back
    // as the pieces that the stored list holds.
    std::vector<std::string> GroupNames() const;
    // True when the last GetGroupList got a 215 reply and read it to its end: only then do the
    // names appended by it make the server's whole list. Same reading rule as GroupListText().
    bool GroupListComplete() const { return groupListComplete_; }

    // A progress dialog's Cancel, from the user-interface thread: closes the connection so that
    // the operation's blocked socket call fails. A close that fails is tried once more; nothing
    // is thrown. It holds for the client's whole life: an operation that has not connected yet
    // never does, and the failures that follow a Cancel are not shown.
    void Cancel();
    bool IsCancelled() const { return cancelled_ != 0; }

    // The connection (tests and the operations' own helpers).
    CBlockingSocket& Socket() { return socket_; }

    // Tests talk to scripted servers on other ports and do not wait the full time-out. A port set
    // here wins over the one in the server's Location (0: none set).
    void SetPort(unsigned short port) { port_ = port; }
    void SetTimeout(int seconds) { timeout_ = seconds; }

private:
    using StatusFn = std::function<void(const std::string&)>;

    // How one operation opens its conversation; null texts are not shown.
    struct Opening {
        const char* connecting;
        const char* connected;
        bool connectedBeforeGreeting;
        const char* loggingIn;
        bool readerMode;
        // Asks CAPABILITIES (when the server's record allows) and uses what is offered. A posting
        // does not: it sends one command and would gain from the list only compression, which a
        // text post hardly needs, while the question costs a round trip, and with a server that
        // writes the list's first line on its own (INN does), a delayed-acknowledgement stall of
        // the receiving system (40 ms on Linux, up to 200 ms on Windows).
        bool capabilities = true;
    };

    // The opening sequence. False when the login failed (already reported); socket failures throw.
    bool Open(const std::string& server, const Opening& opening, const StatusFn& status);
    // TLS handshake on the open connection and the certificate check for `server` (its Location)
    // with the fingerprint the user trusted before; a failing certificate is put to the user.
    // Throws (nothing sent) when the user does not trust it.
    void SecureConnection(const std::string& server, const std::string& host, const std::string& trusted);
    // CAPABILITIES, STARTTLS, the handshake and CAPABILITIES again. Throws, having sent nothing
    // more, when the server does not offer STARTTLS or refuses it: never a silent fall-back.
    void StartTls(const std::string& server, const std::string& host, const std::string& trusted);
    // CAPABILITIES, when the server's record leaves the extensions on and the connection's server
    // has not yet answered it with anything but a list; the answer becomes the connection's list
    // (empty unless it was 101). A time-out throws like any other command's.
    void AskCapabilities();
    // True when the connection's latest list names `label` first on one of its lines.
    bool Offers(const char* label) const;
    // COMPRESS DEFLATE when the list offers it and READER, unless this server refused it or its
    // stream failed since the plug-in was loaded. Throws what the socket throws.
    void StartCompression(const std::string& server);
    // MODE READER, then CAPABILITIES again: a server may list other things once it reads.
    void SwitchToReader();
    // Sends a command whose answer is one line and returns that line. A server that starts in
    // transit mode answers readers' commands with 401 MODE-READER: it is switched once with
    // MODE READER and asked again.
    std::string OneLineCommand(const std::string& command);
    // ARTICLE with its multi-line answer read by ReadResponse, with the same transit-mode retry.
    void ReadArticle(const std::string& messageId,
                     std::string* reply,
                     int size,
                     const std::string& mailId,
                     SyncView* sync,
                     const std::string& itemText,
                     int itemCount,
                     int itemNumber);
    // POST, the article and the server's verdict, once the connection is open.
    bool SendArticle(const std::string& article, PostingView* dialog);
    // The update steps shared by both styles; see NewsReading.cpp.
    struct UpdateRun;
    bool SelectAndReserve(UpdateRun& run, bool saveFile);
    // XOVER of the reserved range; *reply is empty when nothing was asked or the answer was no list.
    void FetchOverview(const UpdateRun& run, std::string* reply);
    void GiveBackUnfetched(UpdateRun& run);
    void ReportFailure(const std::string& text);
    // Shows a socket failure: the time-out text itself, or the system's text for its error
    // (falling back to the exception's own text) when showSystemText is set.
    void ReportSocketFailure(const CBlockingSocketException& failure, bool showSystemText, const StatusFn& show);
    // Shows that an exception other than the socket's ended an operation.
    void ReportOtherFailure();
    // Throws, having closed the socket, once Cancel was called.
    void FailIfCancelled();

    NewsContext context_;
    CBlockingSocket socket_;
    std::string groupListText_;
    bool groupListComplete_ = false;
    unsigned short port_ = 0;
    int timeout_ = CBlockingSocket::kTimeoutSeconds;
    bool readerMode_ = false;      // MODE READER was sent on the current connection
    bool extensions_ = true;       // CAPABILITIES and what it offers are used: the record and the operation agree
    std::string capabilities_;     // the latest 101 answer of the current connection, "" when none
    bool noCapabilities_ = false;  // the connection's server answered CAPABILITIES with no list
    volatile LONG cancelled_ = 0;  // set by Cancel from the user-interface thread
    volatile LONG accepted_ = 0;   // the posted article was answered 240
    volatile LONG givenBack_ = 0;  // the article's give-back was claimed
};

// Sets a placeholder's "X-RILLPOST-FLAG" back to "FALSE" so that opening it again retries the
// download. The header is changed in the stored text; no other byte of the message changes.
void ResetDownloadFlag(NewsHost& host, NewsShared& shared, const std::string& mailId);
