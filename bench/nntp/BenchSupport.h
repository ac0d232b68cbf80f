// What the network benchmarks share: a host that keeps nothing, the timing helpers, and a bare
// connection to the local news server for the clients they compare against.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nntp/BlockingSocket.h"
#include "nntp/NewsHost.h"

// A host and plug-in state that keep nothing: appends and sources are counted and dropped.
class DiscardingHost : public NewsHost, public NewsShared {
public:
    void ShowMessage(const std::string& text) override { std::printf("  message: %s\n", text.c_str()); }
    void SetHostMessage(const std::string& text) override { last = text; }
    std::string CurrentMail() override { return "another-mail"; }
    bool AppendMessage(const std::string&, const std::string& text) override {
        ++appended;
        bytes += text.size();
        return true;
    }
    std::string CurrentFolder() override { return std::string(); }
    void SetCurrentFolder(const std::string&) override {}
    void SetCurrentMail(const std::string&) override {}
    void SetStatusPart(const std::string& text) override { last = text; }
    bool GetSource(const std::string&, std::string*) override { return false; }
    void SetSource(const std::string&, const std::string& text) override { bytes += text.size(); }
    std::string TempFolder() override { return std::string(); }
    void FocusMessageList() override {}
    void ReturnArticle(const std::string&, const std::string&) override { ++returned; }

    void FolderUpdateEnded(const std::string&) override {}
    void AddNewArticle(const std::string&, const std::string&) override {}
    int MaxNum() override { return 100000; }
    int DownloadStyle() override { return 1; }
    bool PictureRender() override { return false; }
    bool EncodeHeader() override { return encodeHeader; }
    bool PostPopup() override { return false; }
    void BeginFolderRefresh(const std::string&) override {}
    void EndFolderRefresh(const std::string&) override {}
    void RunWithSources(const std::function<void()>& write) override { write(); }
    void QueueSource(const std::string&, std::string) override {}
    bool ShowWithLocation(const std::string&, const std::string&, int) override { return false; }
    bool SaveConfiguration() override { return true; }

    size_t appended = 0;
    size_t bytes = 0;
    int returned = 0;
    bool encodeHeader = false;
    std::string last;
};

inline double Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of `runs` runs, in seconds.
inline double Best(int runs, const std::function<void()>& work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        double s = Seconds(work);
        if (s < best)
            best = s;
    }
    return best;
}

// Runs every piece of work `runs` times, taking turns (so that a busy moment of the machine or of
// the server falls on all of them alike), and returns the median time of each, in seconds.
inline std::vector<double> Interleaved(int runs, const std::vector<std::function<void()>>& works) {
    std::vector<std::vector<double>> times(works.size());
    for (int run = 0; run < runs; ++run)
        for (size_t i = 0; i < works.size(); ++i)
            times[i].push_back(Seconds(works[i]));
    std::vector<double> medians;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

// Opens a connection to port 119 of `server` and reads the greeting. Throws what the socket throws.
inline void ConnectBare(CBlockingSocket& socket, const char* server) {
    socket.Create();
    SOCKADDR_IN address = CBlockingSocket::GetHostByName(server, 119);
    socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));
    std::string greeting;
    socket.ReadLine(&greeting, 30);
}

// Every network benchmark's main: starts Winsock, runs the benchmark, and turns a socket failure
// into one line that names the benchmark, the failure and `hint` (what to check), and exit code 1.
inline int RunNetworkBench(const char* name, const char* hint, const std::function<int()>& bench) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        std::printf("%s: Winsock did not start\n", name);
        return 1;
    }
    int result = 1;
    try {
        result = bench();
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        char text[200];
        failure->GetErrorMessage(text, sizeof text);
        std::printf("%s: %s (%s)\n", name, text, hint);
    }
    WSACleanup();
    return result;
}
