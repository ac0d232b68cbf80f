// Scenario commands that wait for something or check it: "wait ..." and "expect ...".
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "standin/ComposeWindow.h"
#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"
#include "standin/UiProbe.h"

namespace {

// The plug-ins count as idle once none of their threads runs and no host function was called
// from another thread for this long.
const DWORD kQuietMs = 500;

size_t MessageCount(const std::string& folder) {
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    return host.store.Messages(folder).size();
}

size_t UnreadCount(const std::string& folder) {
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    size_t unread = 0;
    for (const std::string& m : host.store.Messages(folder))
        unread += (host.store.GetStatus(m) & 1) ? 0 : 1;
    return unread;
}

}  // namespace

bool ScriptRunner::ExecuteWait(const std::vector<std::string>& w, std::string* error) {
    if (w.size() == 2 && isdigit(static_cast<unsigned char>(w[1][0]))) {
        Sleep(static_cast<DWORD>(strtoul(w[1].c_str(), nullptr, 10)));
        return true;
    }
    const std::string what = w.size() > 1 ? w[1] : std::string();
    if (what == "idle") {
        StandinHost& host = StandinHost::Instance();
        int stable = 0;
        bool ok = ScriptWaitFor(
            [&] {
                bool quiet = GetTickCount() - host.LastForeignCall() >= kQuietMs && UiProbe::PluginThreadCount() == 0;
                stable = quiet ? stable + 1 : 0;
                return stable >= 3;
            },
            ScriptTimeoutArg(w, 2));
        if (!ok)
            *error = "the plug-ins were still busy after " + std::to_string(ScriptTimeoutArg(w, 2)) + " ms";
        return ok;
    }
    if (what == "messages" && w.size() >= 4) {
        std::string folder = Expand(w[2]);
        size_t wanted = strtoul(w[3].c_str(), nullptr, 10);
        bool ok = ScriptWaitFor([&] { return MessageCount(folder) >= wanted; }, ScriptTimeoutArg(w, 4));
        if (!ok)
            *error = folder + " holds " + std::to_string(MessageCount(folder)) + " messages, not " + w[3];
        return ok;
    }
    if (what == "log" && w.size() >= 3) {
        StandinHost& host = StandinHost::Instance();
        std::string text = w[2];
        bool ok = ScriptWaitFor(
            [&] {
                std::lock_guard<std::recursive_mutex> lock(host.mutex);
                for (const std::string& line : host.log) {
                    if (line.find(text) != std::string::npos)
                        return true;
                }
                return false;
            },
            ScriptTimeoutArg(w, 3));
        if (!ok)
            *error = "the log never held \"" + text + "\"";
        return ok;
    }
    if (what == "nntp" && w.size() >= 3) {
        std::string log, controlError;
        bool ok = ScriptWaitFor(
            [&] {
                controlError.clear();
                return FakeNntpLog(&log, &controlError) && log.find(w[2]) != std::string::npos;
            },
            ScriptTimeoutArg(w, 3));
        if (!ok)
            *error = "the news server's log never held \"" + w[2] + "\": " + log +
                     (controlError.empty() ? "" : " (" + controlError + ")");
        return ok;
    }
    if (what == "status" && w.size() >= 4) {
        int part = atoi(w[2].c_str());
        std::string text = w[3];
        MainWindow* window = window_;
        std::string seen;
        bool ok = ScriptWaitFor(
            [&] {
                StandinHost::Instance().RunOnUi([&] { seen = window->StatusText(part); }, true);
                return seen.find(text) != std::string::npos;
            },
            ScriptTimeoutArg(w, 4));
        if (!ok)
            *error = "status part " + w[2] + " shows \"" + seen + "\"";
        return ok;
    }
    *error =
        "wait <ms>|idle [timeout]|messages <folder> <n> [timeout]|status <part> <text> [timeout]|log <text> "
        "[timeout]|nntp <text> [timeout]";
    return false;
}

bool ScriptRunner::ExecuteExpect(const std::vector<std::string>& w, std::string* error) {
    const std::string what = w.size() > 1 ? w[1] : std::string();
    if (what == "tooltip" || what == "popup" || what == "nopopup" || what == "selected")
        return ExpectHookView(w, error);
    if (what == "calls")
        return ExpectCalls(w, error);
    if (what == "file" && (w.size() == 3 || w.size() == 4)) {
        std::ifstream in(Expand(w[2]), std::ios::binary);
        if (!in) {
            *error = "no file " + Expand(w[2]);
            return false;
        }
        std::ostringstream all;
        all << in.rdbuf();
        if (w.size() == 4 && all.str().find(w[3]) == std::string::npos) {
            *error = Expand(w[2]) + " does not contain \"" + w[3] + "\"";
            return false;
        }
        return true;
    }
    if ((what == "folder" || what == "nofolder") && w.size() == 3) {
        StandinHost& host = StandinHost::Instance();
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        bool exists = host.store.FolderExists(Expand(w[2]));
        if (exists != (what == "folder")) {
            *error = "folder " + w[2] + (exists ? " exists" : " does not exist");
            return false;
        }
        return true;
    }
    if (what == "nofile" && w.size() == 3) {
        if (GetFileAttributesA(Expand(w[2]).c_str()) != INVALID_FILE_ATTRIBUTES) {
            *error = Expand(w[2]) + " exists";
            return false;
        }
        return true;
    }
    if (what == "messages" && w.size() == 4) {
        size_t n = MessageCount(Expand(w[2]));
        if (n != strtoul(w[3].c_str(), nullptr, 10)) {
            *error = Expand(w[2]) + " holds " + std::to_string(n) + " messages";
            return false;
        }
        return true;
    }
    if (what == "unread" && w.size() == 4) {
        size_t n = UnreadCount(Expand(w[2]));
        if (n != strtoul(w[3].c_str(), nullptr, 10)) {
            *error = Expand(w[2]) + " holds " + std::to_string(n) + " unread messages";
            return false;
        }
        return true;
    }
    if ((what == "header" && w.size() == 5) || (what == "noheader" && w.size() == 4) ||
        (what == "source" && w.size() == 4)) {
        std::string text;
        if (!SourceText(w[2], &text)) {
            *error = "no message " + w[2];
            return false;
        }
        if (what == "source") {
            if (text.find(w[3]) == std::string::npos) {
                *error = "the text of " + w[2] + " lacks \"" + w[3] + "\"";
                return false;
            }
            return true;
        }
        if (what == "noheader") {
            if (messagetext::HasHeader(text, w[3])) {
                *error = w[2] + " has the header " + w[3] + ": \"" + messagetext::GetHeader(text, w[3]) + "\"";
                return false;
            }
            return true;
        }
        std::string value = messagetext::GetHeader(text, w[3]);
        if (value != w[4]) {
            *error = w[3] + " of " + w[2] + " is \"" + value + "\"";
            return false;
        }
        return true;
    }
    if ((what == "nntp" || what == "nonntp") && w.size() == 3) {
        // What the scripted news server received, e.g. "GROUP fake.test|XOVER 1-5".
        std::string log;
        if (!FakeNntpLog(&log, error))
            return false;
        bool found = log.find(w[2]) != std::string::npos;
        if (found != (what == "nntp")) {
            *error = "the news server's log " + std::string(found ? "holds" : "lacks") + " \"" + w[2] + "\": " + log;
            return false;
        }
        return true;
    }
    if (what == "status" && w.size() == 4) {
        std::string seen;
        MainWindow* window = window_;
        int part = atoi(w[2].c_str());
        Query([&] { seen = window->StatusText(part); }, error);
        if (seen.find(w[3]) == std::string::npos) {
            *error = "status part " + w[2] + " shows \"" + seen + "\"";
            return false;
        }
        return true;
    }
    if (what == "plugin" && w.size() == 4) {
        std::vector<PluginSet::Plugin> plugins;
        Query([&plugins] { plugins = StandinHost::Instance().plugins.Plugins(); }, error);
        // "*" stands for every library of the plug-ins folder (at least one).
        bool any = false;
        for (const PluginSet::Plugin& p : plugins) {
            if (w[2] != "*" && _stricmp(p.file.c_str(), w[2].c_str()) != 0)
                continue;
            any = true;
            bool loaded = p.module != nullptr;
            if ((w[3] == "loaded") != loaded) {
                *error = p.file + (loaded ? " is loaded" : " failed to load, error " + std::to_string(p.loadError));
                return false;
            }
        }
        if (!any)
            *error = "no plug-in file " + w[2];
        return any;
    }
    if (what == "menu" && w.size() == 5) {
        HMENU menu = BuildMenuCopy(w[2], error);
        if (!menu)
            return false;
        HMENU owner = nullptr;
        int position = -1;
        bool found = UiProbe::FindMenuItem(menu, w[3], &owner, &position);
        UINT state = 0;
        MainWindow* window = window_;
        Query(
            [&] {
                if (found)
                    window->ApplyUiStates(owner);
                state = found ? GetMenuState(owner, position, MF_BYPOSITION) : 0;
                if (w[2] != "main")
                    DestroyMenu(menu);
            },
            error);
        const std::string& want = w[4];
        std::string have = !found                 ? "absent"
                           : (state & MF_GRAYED)  ? "greyed"
                           : (state & MF_CHECKED) ? "checked"
                                                  : "enabled";
        if (want == have || (want == "present" && found))
            return true;
        *error = "menu item \"" + w[3] + "\" is " + have + ", not " + want;
        return false;
    }
    if (what == "compose" && w.size() == 3) {
        // Some open compose window's text, with CR LF line ends, contains the text.
        std::vector<HWND> open;
        if (!Query([&open] { open = ComposeWindow::All(); }, error))
            return false;
        for (HWND c : open) {
            std::string text;
            if (Query([&text, c] { text = messagetext::ToCrLf(ComposeWindow::GetText(c)); }, error) &&
                text.find(w[2]) != std::string::npos)
                return true;
        }
        *error = "no compose window holds \"" + w[2] + "\"";
        return false;
    }
    if ((what == "log" || what == "nolog") && w.size() == 3) {
        // The host's event log: "message <text>" for every status text, "send <result>", ...
        StandinHost& host = StandinHost::Instance();
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        bool found = false;
        for (const std::string& line : host.log)
            found = found || line.find(w[2]) != std::string::npos;
        if (found != (what == "log")) {
            *error = found ? "the log holds \"" + w[2] + "\"" : "the log lacks \"" + w[2] + "\"";
            return false;
        }
        return true;
    }
    if (what == "dialog" && w.size() == 3) {
        HWND dialog = UiProbe::ActiveDialog();
        std::string title = dialog ? UiProbe::WindowText(dialog) : std::string();
        if (!dialog || title.find(w[2]) == std::string::npos) {
            *error = dialog ? "the dialog up is \"" + title + "\"" : "no dialog is up";
            return false;
        }
        return true;
    }
    if (what == "text" && w.size() == 4) {
        // A control of the active dialog or message box (a box's text is control 65535).
        HWND dialog = UiProbe::ActiveDialog();
        HWND control = dialog ? UiProbe::FindControl(dialog, atoi(w[2].c_str())) : nullptr;
        std::string text = control ? UiProbe::WindowText(control) : std::string();
        if (!control || text.find(w[3]) == std::string::npos) {
            *error = control ? "control " + w[2] + " reads \"" + text + "\"" : "no dialog control " + w[2] + " is up";
            return false;
        }
        return true;
    }
    if (what == "nodialog" && w.size() == 2) {
        HWND dialog = UiProbe::ActiveDialog();
        if (dialog) {
            *error = "a dialog is up: \"" + UiProbe::WindowText(dialog) + "\"";
            return false;
        }
        return true;
    }
    *error =
        "expect file|nofile|folder|nofolder|messages|header|noheader|source|status|plugin|menu|log|nolog|nntp|"
        "nonntp|dialog|nodialog|text|calls ...";
    return false;
}
