// The stand-in host's process-wide state: the mail store, what is selected, the commands that
// plug-ins registered and the loaded plug-ins. The BKA_ exports, the windows and the script
// runner all work on this one object. Plug-ins call host functions from worker threads too, so
// every field below `mutex` is read and written only while holding it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
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

    // Host faults on demand: the calls-th call of the named BKA_ function from now on raises an
    // access violation (access) or fails by its result; later calls behave again. One armed
    // fault per function; arming again replaces it. With workerOnly only calls from threads
    // other than the UI thread count.
    void ArmFault(const std::string& function, int calls, bool access, bool workerOnly);
    // Called on entry of every BKA_ function, on the caller's thread. Raises the access
    // violation itself; true means "fail by the result" for this call. Either is logged as
    // "fault <function> access|fail".
    bool FaultHere(const char* function);
    // Host calls by function since the last ResetCalls, counted where each call enters the host
    // (before an armed fault fires), from every thread: what "calls show" prints and "expect
    // calls" holds a plug-in to.
    void CountCall(const char* function);
    void ResetCalls();
    std::map<std::string, long long> CallCounts();
    // A host that marshals: host functions called from a worker wait until the UI thread has run
    // them (or, for the few that run on the caller's thread, until the UI thread has handled
    // everything queued before), as a host that serializes its API on its window thread does.
    std::atomic<bool> marshal{false};
    // Armed by "interpose": when a plug-in next makes this folder current, the user opens the
    // message at this row of it before the plug-in's call returns. Under `mutex`; -1 when unarmed.
    std::string interposeFolder;
    int interposeRow = -1;
    // Runs fn as a host function body: on the UI thread when marshalling from a worker, else here.
    void Marshal(const std::function<void()>& fn);
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

    struct Fault {
        std::string function;
        int callsLeft = 0;
        bool access = false;
        bool workerOnly = false;
    };
    std::vector<Fault> faults_;  // under mutex
    // A lock of its own: every host call takes it, and must not wait behind a UI thread that
    // holds `mutex` for a long store operation.
    std::mutex callsMutex_;
    std::map<std::string, long long> calls_;  // under callsMutex_
    UINT nextCommandId_ = 45000;
    std::atomic<DWORD> lastForeignCall_{0};
};
