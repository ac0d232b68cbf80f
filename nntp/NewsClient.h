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

class CXmlConfig;
class Optex;

// What the client works with. All three outlive the client; the configuration document is
// touched only while configOptex is held.
struct NewsContext {
    CXmlConfig* config = nullptr;
    Optex* configOptex = nullptr;
    NewsDisplay* display = nullptr;
};

class NewsClient {
public:
    static constexpr unsigned short kNntpPort = 119;

    explicit NewsClient(const NewsContext& context) : context_(context) {}
    virtual ~NewsClient() = default;
    NewsClient(const NewsClient&) = delete;
    NewsClient& operator=(const NewsClient&) = delete;

    // Fetches the server's whole list with LIST and appends the names to GroupNames(). A reply
    // other than 215 is shown but is not a failure. The dialog may be null.
    bool GetGroupList(std::string server, GroupListView* dialog);

    // AUTHINFO USER, then (after 381 or 281) AUTHINFO PASS; true when that answer is 281. A
    // user name or password holding a line break is refused without sending anything.
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
    // the fetching thread has ended.
    const std::vector<std::string>& GroupNames() const { return groupNames_; }

    // A progress dialog's Cancel, from the user-interface thread: closes the connection so that
    // the operation's blocked socket call fails. A close that fails is tried once more; nothing
    // is thrown.
    void Cancel();

    // The connection (tests and the operations' own helpers).
    CBlockingSocket& Socket() { return socket_; }

    // Tests talk to scripted servers on other ports and do not wait the full time-out.
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
    };

    // The opening sequence. False when the login failed (already reported); socket failures throw.
    bool Open(const std::string& server, const Opening& opening, const StatusFn& status);
    // Shows a socket failure: the time-out text itself, or the system's text for its error
    // (falling back to the exception's own text) when showSystemText is set.
    void ReportSocketFailure(const CBlockingSocketException& failure, bool showSystemText, const StatusFn& show);

    NewsContext context_;
    CBlockingSocket socket_;
    std::vector<std::string> groupNames_;
    unsigned short port_ = kNntpPort;
    int timeout_ = CBlockingSocket::kTimeoutSeconds;
};
