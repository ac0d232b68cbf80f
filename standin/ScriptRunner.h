// Runs a stand-in scenario: a plain-text file of commands (docs/standin-script.md) executed one
// after another on a thread of its own, so that the UI thread stays free to run the modal
// dialogs the commands open. Results and dumps go to the output file.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "standin/FakeNntpControl.h"

class MainWindow;

class ScriptRunner {
public:
    struct Options {
        std::string scriptPath, outPath, dataFolder, pluginFolder;
        bool keepOpen = false;
        // A restarted run ("restart"): the script goes on at this line, appending to the output.
        int resumeLine = 0;
    };
    // The exit code of a run that ended at "restart": the caller starts the host again with
    // --resume <line> on the same folders (RunScenario.cmake does).
    static const int kRestartExitCode = 3;

    // Reads and checks the script's syntax. False (with the reason in *error) when it cannot
    // be read or a line does not split into words.
    bool Load(const Options& options, std::string* error);
    // True when the script loads the plug-ins itself with "start".
    bool HasStart() const { return hasStart_; }
    // Starts the script thread; when the script ends the main window is closed (unless
    // keepOpen) with the exit code 0 on success and 1 after a failed command.
    bool Start(MainWindow* window);
    // One line per scenario command (verb, its words, what it does), in the table's order: what
    // "Standin.exe --help" prints.
    static std::string CommandHelp();

private:
    // A command's handler gets the whole line, the verb included, and reports its own usage when
    // the words do not fit. Sub-verbs ("dialog click", "wait log") are the handler's to tell
    // apart.
    typedef bool (ScriptRunner::*Handler)(const std::vector<std::string>& w, std::string* error);
    struct Command {
        const char* name;
        const char* args;  // the words after the verb, as the help shows them
        Handler handler;
        const char* help;  // one line
    };
    // Every command of the scenario language (ScriptCommandTable.cpp); docs/standin-script.md
    // documents each of them, which tools/check_standin_commands.py checks.
    static const Command kCommands[];
    static const size_t kCommandCount;

    struct Line {
        int number;
        std::vector<std::string> words;
    };

    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    bool Execute(const std::vector<std::string>& w, std::string* error);
    bool ExecuteTry(const std::vector<std::string>& w, std::string* error);
    bool ExecuteStart(const std::vector<std::string>& w, std::string* error);
    bool ExecuteOn(const std::vector<std::string>& w, std::string* error);
    bool ExecuteCallbacks(const std::vector<std::string>& w, std::string* error);
    bool ExecutePrint(const std::vector<std::string>& w, std::string* error);
    bool ExecuteFile(const std::vector<std::string>& w, std::string* error);
    bool ExecuteFakeNntp(const std::vector<std::string>& w, std::string* error);
    bool ExecuteData(const std::vector<std::string>& w, std::string* error);
    bool ExecuteUi(const std::vector<std::string>& w, std::string* error);
    bool ExecuteDialog(const std::vector<std::string>& w, std::string* error);
    bool ExecuteDump(const std::vector<std::string>& w, std::string* error);
    bool ExecuteExpect(const std::vector<std::string>& w, std::string* error);
    bool ExecuteWait(const std::vector<std::string>& w, std::string* error);
    bool ExecuteHover(const std::vector<std::string>& w, std::string* error);
    // The checks of ScriptHookChecks.cpp: tooltip, popup, nopopup, selected.
    bool ExpectHookView(const std::vector<std::string>& w, std::string* error);
    bool ExecuteMeasure(const std::vector<std::string>& w, std::string* error);
    // ScriptLifecycle.cpp: exit, fault, marshal, post, calls.
    bool ExecuteExit(const std::vector<std::string>& w, std::string* error);
    bool ExecuteFault(const std::vector<std::string>& w, std::string* error);
    bool ExecuteMarshal(const std::vector<std::string>& w, std::string* error);
    bool ExecuteInterpose(const std::vector<std::string>& w, std::string* error);
    bool ExecutePost(const std::vector<std::string>& w, std::string* error);
    bool ExecuteDismiss(const std::vector<std::string>& w, std::string* error);
    // "calls reset|show" and "expect calls": the host-call counts.
    bool ExecuteCalls(const std::vector<std::string>& w, std::string* error);
    bool ExpectCalls(const std::vector<std::string>& w, std::string* error);

    // Runs fn on the UI thread without blocking on what it opens: returns when fn finished or
    // a new dialog or a pop-up menu came up (or after timeoutMs, false).
    bool Act(const std::function<void()>& fn, DWORD timeoutMs, std::string* error);
    // Waits until the UI thread has handled everything queued so far (or a new dialog is up):
    // what a click set going has then run.
    bool Settle(std::string* error) {
        return Act([] {}, actTimeout_, error);
    }
    // Runs fn on the UI thread and waits for it.
    bool Query(const std::function<void()>& fn, std::string* error);
    std::string Expand(const std::string& word) const;
    std::string MailArg(const std::string& word) const;
    // The text of a message (a mail argument) or of the one on display ("TEMP"); false when
    // there is no such message.
    bool SourceText(const std::string& word, std::string* text) const;
    // The scripted news server's log of every connection since its scenario was chosen.
    bool FakeNntpLog(std::string* log, std::string* error);
    HMENU BuildMenuCopy(const std::string& which, std::string* error);
    void Out(const std::string& line);

    Options options_;
    std::vector<Line> lines_;
    bool hasStart_ = false;
    bool started_ = false;
    bool exited_ = false;  // "exit" ran the plug-ins' exit sequence
    // How long an acting command may take: 10 s, or what its trailing "within <ms>" says.
    DWORD actTimeout_ = 10000;
    HWND composing_ = nullptr;
    MainWindow* window_ = nullptr;
    FILE* out_ = nullptr;
    FakeNntpControl fakeNntp_;
};

// Shared by the scenario commands: the timeout argument at index (10 s when it is missing), and
// a poll every 50 ms until pred holds or the timeout passes.
const DWORD kScriptDefaultTimeout = 10000;

inline DWORD ScriptTimeoutArg(const std::vector<std::string>& w, size_t index) {
    return index < w.size() ? static_cast<DWORD>(strtoul(w[index].c_str(), nullptr, 10)) : kScriptDefaultTimeout;
}

inline bool ScriptWaitFor(const std::function<bool()>& pred, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}
