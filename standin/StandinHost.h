// The stand-in host's process-wide state: the mail store, what is selected, the commands that
// plug-ins registered and the loaded plug-ins. The BKA_ exports, the windows and the script
// runner all work on this one object. Plug-ins call host functions from worker threads too, so
// every field below `mutex` is read and written only while holding it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "standin/MailStore.h"
#include "standin/PluginSet.h"

class MainWindow;

typedef BkaCommandProc HostCommandProc;
typedef BkaUiProc HostUiProc;

struct HostCommand {
    UINT id = 0;
    std::string comment;
    int target = 0;  // 0 main window, 1 message list, 2 folder tree
    HostCommandProc command = nullptr;
    HostUiProc ui = nullptr;
};

// Private messages of the main window.
enum : UINT {
    WM_STANDIN_RUN = WM_APP + 1,         // lParam: std::function<void()>*, run and left to the sender
    WM_STANDIN_RUN_POSTED = WM_APP + 2,  // lParam: std::function<void()>*, run and deleted
};

class StandinHost {
public:
    static StandinHost& Instance();

    // Set once before any plug-in is loaded; read-only afterwards.
    std::string version = "2.00.06";
    std::string tempFolder;
    DWORD uiThread = 0;
    MainWindow* window = nullptr;
    PluginSet plugins;  // touched on the UI thread only

    std::recursive_mutex mutex;
    MailStore store;
    std::string currentMailBox, currentFolder, currentMail;
    std::vector<std::string> folderMails;  // messages of the current folder in list order
    std::set<std::string> selected;
    std::string displayedMail, displayedText;  // "TEMP": the message on display
    bool threadView = false;
    std::vector<HostCommand> commands;
    std::vector<std::string> log;  // host events for the scenario dumps ("send -2", ...)

    UINT RegisterCommand(const std::string& comment, int target, HostCommandProc command);
    void RegisterUi(UINT id, HostUiProc ui);
    bool FindCommand(UINT id, HostCommand* out);
    void Log(const std::string& line);

    // Records the time of a host call made on a thread other than the UI thread; the script's
    // idle wait looks at it.
    void NoteCall();
    DWORD LastForeignCall() const { return lastForeignCall_.load(); }

    // Runs fn on the UI thread, queued behind what was queued before. With wait the caller
    // blocks until it ran; after timeoutMs without it having started it is dropped (false), so
    // fn may refer to the caller's locals. Without wait the call returns at once.
    bool RunOnUi(std::function<void()> fn, bool wait, DWORD timeoutMs = 30000);
    // The UI thread's side of a waited-for RunOnUi (WM_STANDIN_RUN).
    static void RunJob(LPARAM ticket);
    bool OnUiThread() const { return GetCurrentThreadId() == uiThread; }

private:
    struct UiJob {
        ~UiJob();
        std::function<void()> fn;
        std::mutex m;
        bool started = false, abandoned = false;
        HANDLE done = nullptr;
    };

    UINT nextCommandId_ = 45000;
    std::atomic<DWORD> lastForeignCall_{0};
};
