// The scenario commands that reach past the user: the host's exit sequence while work runs,
// host faults on demand, a host that marshals its calls, window messages from outside, and the
// count of host calls.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>

#include "standin/MainWindow.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"
#include "standin/UiProbe.h"

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

// "interpose <folder> #<row>": the next time a plug-in makes the folder current, the user opens
// the message at that row (counted from 0) before the plug-in's call returns, so that a scenario
// can act in the middle of what a plug-in does with the host's folders.
bool ScriptRunner::ExecuteInterpose(const std::vector<std::string>& w, std::string* error) {
    bool fits = w.size() == 3 && w[2].size() > 1 && w[2].size() < 8 && w[2][0] == '#' &&
                w[2].find_first_not_of("0123456789", 1) == std::string::npos;
    if (!fits) {
        *error = "usage: interpose <folder> #<row>";
        return false;
    }
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    host.interposeFolder = Expand(w[1]);
    host.interposeRow = std::atoi(w[2].c_str() + 1);
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

// "dismiss [all] [ms]": for ms (one look by default), answers every message box that comes up
// with OK, or Yes where it has no OK, and with "all" cancels every other dialog too. Long runs
// use it where a box may or may not come, which "msgbox" would take as a failure.
bool ScriptRunner::ExecuteDismiss(const std::vector<std::string>& w, std::string* error) {
    bool all = w.size() >= 2 && w[1] == "all";
    size_t timeArg = all ? 2 : 1;
    if (w.size() > timeArg + 1) {
        *error = "usage: dismiss [all] [ms]";
        return false;
    }
    DWORD span = w.size() > timeArg ? static_cast<DWORD>(strtoul(w[timeArg].c_str(), nullptr, 10)) : 0;
    DWORD start = GetTickCount();
    // A dialog that ignores its answer is not looked at for ever.
    for (int answered = 0; answered < 20;) {
        HWND dialog = UiProbe::ActiveDialog();
        bool box = dialog && UiProbe::IsMessageBox(dialog);
        if (dialog && (box || all)) {
            int id = !box ? IDCANCEL : GetDlgItem(dialog, IDOK) ? IDOK : GetDlgItem(dialog, IDYES) ? IDYES : IDCANCEL;
            std::string text = box ? ": " + UiProbe::WindowText(GetDlgItem(dialog, 0xFFFF)) : std::string();
            Out("  dismissed \"" + UiProbe::WindowText(dialog) + "\"" + text);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
            for (int i = 0; i < 50 && IsWindow(dialog) && IsWindowVisible(dialog); ++i)
                Sleep(100);
            ++answered;
            continue;
        }
        if (GetTickCount() - start >= span)
            break;
        Sleep(100);
    }
    return Settle(error);
}

// "calls reset|show": forgets the host-call counts, or prints them, one function a line in name
// order, then the total.
bool ScriptRunner::ExecuteCalls(const std::vector<std::string>& w, std::string* error) {
    StandinHost& host = StandinHost::Instance();
    if (w.size() == 2 && w[1] == "reset") {
        host.ResetCalls();
        return true;
    }
    if (w.size() != 2 || w[1] != "show") {
        *error = "usage: calls reset|show";
        return false;
    }
    long long total = 0;
    for (const auto& counted : host.CallCounts()) {
        Out("  " + counted.first + " " + std::to_string(counted.second));
        total += counted.second;
    }
    Out("  all " + std::to_string(total));
    return true;
}

// "expect calls <function>[,<function>...]|all <n>": the named host functions together (or all
// of them) were called at most n times since "calls reset" (or the start).
bool ScriptRunner::ExpectCalls(const std::vector<std::string>& w, std::string* error) {
    char* end = nullptr;
    long long limit = w.size() == 4 ? strtoll(w[3].c_str(), &end, 10) : -1;
    if (w.size() != 4 || *end != '\0' || limit < 0) {
        *error = "usage: expect calls <BKA_function>[,<BKA_function>...]|all <n>";
        return false;
    }
    std::map<std::string, long long> counts = StandinHost::Instance().CallCounts();
    long long total = 0;
    if (w[2] == "all") {
        for (const auto& counted : counts)
            total += counted.second;
    } else {
        std::istringstream names(w[2]);
        std::string name;
        while (std::getline(names, name, ','))
            total += counts.count(name) ? counts[name] : 0;
    }
    if (total > limit) {
        *error = w[2] + " called " + std::to_string(total) + " times, more than " + w[3];
        return false;
    }
    return true;
}
