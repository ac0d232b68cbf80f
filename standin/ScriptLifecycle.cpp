// The scenario commands that reach past the user: the host's exit sequence while work runs,
// host faults on demand, a host that marshals its calls, and window messages from outside.
#include <windows.h>

#include <memory>

#include "standin/MainWindow.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"

// "exit [timeout]": the host's exit sequence as the user closing the client starts it: the
// minute timer stops and every plug-in's BKC_OnExit runs on the UI thread. Fails when it does
// not return within the timeout (10 s), which is how a deadlock at exit shows. The libraries stay
// loaded until the process ends ("restart" or the end of the scenario), as they do in a host
// whose windows outlive the plug-ins' exit.
bool ScriptRunner::ExecuteExit(const std::vector<std::string>& w, std::string* error) {
    if (exited_ || !started_) {
        *error = exited_ ? "the plug-ins already exited" : "the plug-ins are not started";
        return false;
    }
    DWORD timeout = ScriptTimeoutArg(w, 1);
    MainWindow* window = window_;
    // The event outlives this call when BKC_OnExit never returns.
    auto done = std::shared_ptr<void>(CreateEventA(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    bool queued = StandinHost::Instance().RunOnUi(
        [window, done] {
            KillTimer(window->hwnd, 1);
            window->pluginsExited = true;
            StandinHost::Instance().plugins.Exit();
            SetEvent(done.get());
        },
        false);
    if (!queued) {
        *error = "the user-interface thread is gone";
        return false;
    }
    exited_ = true;
    if (WaitForSingleObject(done.get(), timeout) != WAIT_OBJECT_0) {
        *error = "the plug-ins' exit did not return within " + std::to_string(timeout) + " ms";
        return false;
    }
    return true;
}

// "fault <function> <n> access|fail [worker]": the n-th call of the host function from now on
// (counting only calls from plug-in threads with "worker") raises an access violation, or fails
// by its result; "fault <function> 0" disarms it.
bool ScriptRunner::ExecuteFault(const std::vector<std::string>& w, std::string* error) {
    int calls = w.size() >= 3 ? atoi(w[2].c_str()) : -1;
    std::string mode = w.size() >= 4 ? w[3] : std::string();
    bool worker = w.size() == 5 && w[4] == "worker";
    bool fits = w.size() >= 3 && w[1].compare(0, 4, "BKA_") == 0 &&
                ((calls == 0 && w.size() == 3) ||
                 (calls > 0 && (mode == "access" || mode == "fail") && (w.size() == 4 || worker)));
    if (!fits) {
        *error = "usage: fault <BKA_function> <n> access|fail [worker], or fault <BKA_function> 0";
        return false;
    }
    StandinHost::Instance().ArmFault(w[1], calls, mode == "access", worker);
    return true;
}

// "marshal on|off": host functions called from a plug-in's worker wait until the UI thread ran
// them.
bool ScriptRunner::ExecuteMarshal(const std::vector<std::string>& w, std::string* error) {
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
        *error = "usage: marshal on|off";
        return false;
    }
    StandinHost::Instance().marshal.store(w[1] == "on");
    return true;
}

// "post main|status|tree|list|view <message> [wParam] [lParam]": posts a message to a window of
// the host, as any program may. The message is a number, WM_APP+<n> or registered:<name>.
bool ScriptRunner::ExecutePost(const std::vector<std::string>& w, std::string* error) {
    if (w.size() < 3 || w.size() > 5) {
        *error = "usage: post main|status|tree|list|view <message> [wParam] [lParam]";
        return false;
    }
    MainWindow* window = window_;
    const std::pair<const char*, HWND> kWindows[] = {{"main", window->hwnd},
                                                     {"status", window->status},
                                                     {"tree", window->tree},
                                                     {"list", window->list},
                                                     {"view", window->view}};
    HWND target = nullptr;
    for (const auto& named : kWindows) {
        if (w[1] == named.first)
            target = named.second;
    }
    UINT message = 0;
    const std::string& m = w[2];
    if (m.compare(0, 11, "registered:") == 0)
        message = RegisterWindowMessageA(m.c_str() + 11);
    else if (m.compare(0, 7, "WM_APP+") == 0)
        message = WM_APP + static_cast<UINT>(strtoul(m.c_str() + 7, nullptr, 0));
    else
        message = static_cast<UINT>(strtoul(m.c_str(), nullptr, 0));
    if (!target || !message) {
        *error = "unknown window or message";
        return false;
    }
    WPARAM wp = w.size() > 3 ? static_cast<WPARAM>(strtoull(w[3].c_str(), nullptr, 0)) : 0;
    LPARAM lp = w.size() > 4 ? static_cast<LPARAM>(strtoull(w[4].c_str(), nullptr, 0)) : 0;
    if (!PostMessageA(target, message, wp, lp)) {
        *error = "the message could not be posted";
        return false;
    }
    return Settle(error);
}
