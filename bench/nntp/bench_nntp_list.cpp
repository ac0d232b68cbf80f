// The manage dialog's group-list fetch at the size of a large server's list: LIST of 100,000
// groups from the scripted news server, read by the real client (status view included) into the
// stored text and loaded into the dialog's model, against a raw Winsock client that only
// receives the same reply. Both are timed from connect to the end of their work. tools/bench.sh
// starts the scripted server and names its folder in RP_FAKE_NNTP_DIR.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bench/nntp/BenchSupport.h"
#include "bench/nntp/RawClient.h"
#include "host/Optex.h"
#include "nntp/BlockingSocket.h"
#include "nntp/NewsClient.h"
#include "nntp/NntpText.h"
#include "ui/GroupListModel.h"
#include "xml/XmlConfig.h"

namespace {

const char kServer[] = "127.0.0.1";
const int kGroups = 100000;
const int kRuns = 5;

// Keeps the last status under a lock, as the group-list dialog's shared state does.
class KeepingListView : public GroupListView {
public:
    void SetStatus(const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock_);
        status_ = text;
        ++updates;
    }
    bool IsCancelled() override { return false; }
    int updates = 0;

private:
    std::mutex lock_;
    std::string status_;
};

// The scripted server's ports, from the file it writes at start.
bool ReadPorts(unsigned short* news, unsigned short* control) {
    const char* dir = std::getenv("RP_FAKE_NNTP_DIR");
    std::ifstream file(dir && *dir ? std::string(dir) + "/fake_nntp_port.txt" : "fake_nntp_port.txt");
    return static_cast<bool>(file >> *news >> *control);
}

// Every news connection from now on gets the large list at once.
bool ChooseLargeList(unsigned short control) {
    RawClient raw;
    return raw.Connect(kServer, control, false) &&
           raw.Command("SCENARIO list_ok KEEP LIST=ok groups=" + std::to_string(kGroups) + "\n") > 0 &&
           std::strncmp(raw.First(), "OK", 2) == 0;
}

// The anchor: the same conversation as the real client by a client of Winsock alone. Returns the
// reply's size, 0 when something failed.
size_t RawList(unsigned short port) {
    RawClient raw;
    if (!raw.Connect(kServer, port) || raw.Command("MODE READER\r\n") == 0 || !raw.Send("LIST\r\n", 6))
        return 0;
    return raw.ReceiveBlock();
}

// The same conversation on our own socket class, the reply read whole and kept.
std::string BareList(unsigned short port) {
    CBlockingSocket socket;
    socket.Create();
    SOCKADDR_IN address = CBlockingSocket::GetHostByName(kServer, port);
    socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));
    std::string line, reply;
    socket.ReadLine(&line, 30);
    socket.WriteString("MODE READER\r\n", 30);
    socket.ReadLine(&line, 30);
    socket.WriteString("LIST\r\n", 30);
    socket.ReadMultiLine(&reply, 30);
    return reply;
}

int RunList() {
    unsigned short news = 0, control = 0;
    if (!ReadPorts(&news, &control) || !ChooseLargeList(control)) {
        std::printf("group list: the scripted news server is not running (RP_FAKE_NNTP_DIR)\n");
        return 1;
    }
    DiscardingHost host;
    CXmlConfig config;
    // Without CAPABILITIES: the raw client's conversation, MODE READER and LIST.
    config.ParseText(
        (std::string("<Setup><Server><Location>") + kServer + "</Location><Extensions>0</Extensions></Server></Setup>")
            .c_str());
    Optex optex;
    NewsContext context{&config, &optex, &host, &host, &host};
    KeepingListView view;
    GroupListModel model;
    size_t fetched = 0, rawBytes = 0;
    std::vector<double> times =
        Interleaved(kRuns, {[&] {
                                NewsClient client(context);
                                client.SetPort(news);
                                if (!client.GetGroupList(kServer, &view) || !client.GroupListComplete())
                                    return;
                                const std::string& text = client.GroupListText();
                                // Each name in the stored form ends in a comma.
                                fetched = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
                                model.Load(text);
                            },
                            [&] { rawBytes = RawList(news); }});
    double ours = times[0], raw = times[1];
    std::printf(
        "group list, %d groups into the manage dialog's model: ours %.1f ms, raw Winsock LIST %.1f ms "
        "(%.1f KB), ratio %.2f (goal <= 1.5); medians of %d turns; %d status updates in all\n",
        kGroups, ours * 1e3, raw * 1e3, rawBytes / 1024.0, ours / raw, kRuns, view.updates);
    // The parts of ours, each on its own: the reply read on our socket, parsed into the stored
    // form (here into a new text; the client writes it over the reply), loaded.
    std::string reply;
    double read = Best(3, [&] { reply = BareList(news); });
    // Into a new text each time, as a new client's list is.
    std::string stored;
    double parse = Best(3, [&] {
        std::string().swap(stored);
        AppendGroupListText(reply, &stored);
    });
    double load = Best(3, [&] { model.Load(stored); });
    std::printf("  of which: our socket's read %.1f ms, parse %.1f ms, model load %.1f ms (best of 3 each)\n",
                read * 1e3, parse * 1e3, load * 1e3);
    // What new memory costs here: the raw client reuses one piece, ours fills blocks the heap has
    // just taken from the system (the stored text, and the model on its first load), and the
    // first touch of each of their pages is a fault.
    double fresh = Best(3, [] {
        const size_t size = 4u << 20;
        std::unique_ptr<char[]> block(new char[size]);
        for (size_t at = 0; at < size; at += 4096)
            static_cast<volatile char*>(block.get())[at] = 1;
    });
    std::printf("  first touch of 4 MB of new memory: %.1f ms\n", fresh * 1e3);
    bool ok = fetched == kGroups + 3 && model.Size() == fetched && rawBytes > 0;
    if (!ok)
        std::printf("  warning: %zu groups fetched, %zu in the model, raw reply %zu bytes\n", fetched, model.Size(),
                    rawBytes);
    return ok ? 0 : 1;
}

}  // namespace

int main() {
    return RunNetworkBench("bench_nntp_list", "is the scripted news server running?", RunList);
}
