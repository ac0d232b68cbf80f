#include "standin/ScriptRunner.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "standin/ComposeWindow.h"
#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/ScriptLine.h"
#include "standin/StandinHost.h"
#include "standin/StandinIds.h"
#include "standin/UiProbe.h"

namespace {

bool ReadFileText(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    *text = all.str();
    return true;
}

}  // namespace

bool ScriptRunner::Load(const Options& options, std::string* error) {
    options_ = options;
    std::string text;
    if (!ReadFileText(options.scriptPath, &text)) {
        *error = "cannot read " + options.scriptPath;
        return false;
    }
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        Line line;
        line.number = number;
        std::string why;
        if (!scriptline::Split(raw, &line.words, &why)) {
            *error = options.scriptPath + ":" + std::to_string(number) + ": " + why;
            return false;
        }
        if (line.words.empty())
            continue;
        if (line.words[0] == "start" || (line.words[0] == "restart" && number == options.resumeLine))
            hasStart_ = true;
        lines_.push_back(line);
    }
    // Only the scenarios that run beside the scripted news server use it.
    std::string noServer;
    fakeNntp_.Load(&noServer);
    return true;
}

bool ScriptRunner::Start(MainWindow* window) {
    window_ = window;
    out_ = fopen(options_.outPath.c_str(), options_.resumeLine ? "ab" : "wb");
    if (!out_)
        return false;
    started_ = !hasStart_;
    HANDLE thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!thread)
        return false;
    CloseHandle(thread);
    return true;
}

DWORD WINAPI ScriptRunner::ThreadProc(void* self) {
    static_cast<ScriptRunner*>(self)->Run();
    return 0;
}

void ScriptRunner::Out(const std::string& line) {
    fputs(line.c_str(), out_);
    fputs("\r\n", out_);
    fflush(out_);
}

void ScriptRunner::Run() {
    int exitCode = 0;
    bool restart = false;
    for (const Line& line : lines_) {
        if (line.number < options_.resumeLine)
            continue;
        std::string echo = ">";
        for (const std::string& w : line.words) {
            std::string shown;
            for (char c : w)
                shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
            echo += " " + (w.find(' ') != std::string::npos || w.empty() ? "\"" + shown + "\"" : shown);
        }
        Out(echo);
        if (line.words[0] == "restart" && line.number != options_.resumeLine) {
            if (!exited_) {
                Out("error: line " + std::to_string(line.number) + ": restart needs an exit before it");
                exitCode = 1;
                break;
            }
            // This process ends as the host's process would; the next one goes on here.
            Out("restart: line " + std::to_string(line.number));
            exitCode = kRestartExitCode;
            restart = true;
            break;
        }
        std::string error;
        if (!Execute(line.words, &error)) {
            Out("error: line " + std::to_string(line.number) + ": " + error);
            // What the host saw up to the failure, to tell a fault from a slow or lost event.
            std::string ignored;
            Out("> dump log (after the failure)");
            Execute({"dump", "log"}, &ignored);
            exitCode = 1;
            break;
        }
    }
    if (!options_.keepOpen && !restart) {
        // Dialogs left open (after a failed command, say) are cancelled, innermost first, so
        // that the plug-ins see a normal exit.
        for (int i = 0; i < 8; ++i) {
            HWND dialog = UiProbe::ActiveDialog();
            if (!dialog)
                break;
            Out("closing dialog \"" + UiProbe::WindowText(dialog) + "\"");
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            std::string ignored;
            Settle(&ignored);
            Sleep(200);
        }
    }
    if (!restart)
        Out(exitCode == 0 ? "result: ok" : "result: failed");
    fclose(out_);
    out_ = nullptr;
    MainWindow* window = window_;
    StandinHost::Instance().RunOnUi([window, exitCode] { window->exitCode = exitCode; }, true);
    if (!options_.keepOpen || restart)
        PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
}

std::string ScriptRunner::Expand(const std::string& word) const {
    std::string out = word;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string hostFolder = exe;
    hostFolder = hostFolder.substr(0, hostFolder.find_last_of('\\') + 1);
    // Every folder ends with its separator, however it was given on the command line.
    std::string plugins = options_.pluginFolder;
    if (!plugins.empty() && plugins.back() != '\\' && plugins.back() != '/')
        plugins += '\\';
    const std::pair<const char*, std::string> vars[] = {
        {"%HOST%", hostFolder},
        {"%DATA%", StandinHost::Instance().store.Root()},
        {"%PLUGINS%", plugins},
        {"%TEMP%", StandinHost::Instance().tempFolder},
        {"%FAKE_NNTP%", fakeNntp_.Address()},
    };
    for (const auto& v : vars) {
        if (v.second.empty())
            continue;
        size_t at;
        while ((at = out.find(v.first)) != std::string::npos)
            out.replace(at, strlen(v.first), v.second);
    }
    return out;
}

// "#n" names the n-th message (from 0) of the current folder's list, "#last" its last one.
std::string ScriptRunner::MailArg(const std::string& word) const {
    if (word.size() < 2 || word[0] != '#')
        return Expand(word);
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    if (word == "#last")
        return host.folderMails.empty() ? std::string() : host.folderMails.back();
    size_t n = strtoul(word.c_str() + 1, nullptr, 10);
    return n < host.folderMails.size() ? host.folderMails[n] : std::string();
}

bool ScriptRunner::Query(const std::function<void()>& fn, std::string* error) {
    if (!StandinHost::Instance().RunOnUi(fn, true)) {
        *error = "the user-interface thread did not answer";
        return false;
    }
    return true;
}

bool ScriptRunner::Act(const std::function<void()>& fn, DWORD timeoutMs, std::string* error) {
    std::vector<HWND> now = UiProbe::Dialogs();
    std::set<HWND> before(now.begin(), now.end());
    // The event outlives this call if the action is still running when a dialog comes up.
    auto done = std::shared_ptr<void>(CreateEventA(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    auto job = [fn, done] {
        fn();
        SetEvent(done.get());
    };
    if (!StandinHost::Instance().RunOnUi(job, false)) {
        *error = "the user-interface thread is gone";
        return false;
    }
    // A dialog or menu counts once it stayed up for a moment: one that a plug-in answers by
    // itself at once is not the script's to answer.
    const DWORD kSteadyMs = 300;
    DWORD start = GetTickCount(), seen = 0;
    while (GetTickCount() - start < timeoutMs) {
        if (WaitForSingleObject(done.get(), 50) == WAIT_OBJECT_0)
            return true;
        if (UiProbe::NewDialog(before) || UiProbe::PopupMenu()) {
            if (!seen)
                seen = GetTickCount();
            else if (GetTickCount() - seen >= kSteadyMs)
                return true;
        } else {
            seen = 0;
        }
    }
    *error = "the action did not finish within " + std::to_string(timeoutMs) + " ms";
    return false;
}

namespace {
#if defined(__x86_64__)
const char kHostArch[] = "x86_64";
#else
const char kHostArch[] = "i686";
#endif
}  // namespace

bool ScriptRunner::Execute(const std::vector<std::string>& w, std::string* error) {
    // A trailing "within <ms>" sets how long this command may act; after "try" it belongs to the
    // command that is tried.
    if (w[0] != "try" && w.size() >= 3 && w[w.size() - 2] == "within") {
        DWORD saved = actTimeout_;
        actTimeout_ = static_cast<DWORD>(strtoul(w.back().c_str(), nullptr, 10));
        bool ok = Execute(std::vector<std::string>(w.begin(), w.end() - 2), error);
        actTimeout_ = saved;
        return ok;
    }
    std::string verbs;
    for (size_t i = 0; i < kCommandCount; ++i) {
        if (w[0] == kCommands[i].name)
            return (this->*kCommands[i].handler)(w, error);
        verbs += std::string(verbs.empty() ? "" : " ") + kCommands[i].name;
    }
    *error = "unknown command \"" + w[0] + "\" (commands: " + verbs + ")";
    return false;
}

// "try <command...>": a failure is printed and the scenario goes on, for long random runs whose
// steps may meet a state that an earlier step's fault left.
bool ScriptRunner::ExecuteTry(const std::vector<std::string>& w, std::string* error) {
    if (w.size() < 2) {
        *error = "usage: try <command...>";
        return false;
    }
    std::string failure;
    if (!Execute(std::vector<std::string>(w.begin() + 1, w.end()), &failure))
        Out("  tried: " + failure);
    return true;
}

bool ScriptRunner::ExecuteStart(const std::vector<std::string>&, std::string* error) {
    if (started_) {
        *error = "the plug-ins are already started";
        return false;
    }
    started_ = true;
    MainWindow* window = window_;
    std::string folder = options_.pluginFolder;
    return Act([window, folder] { window->StartPlugins(folder); }, 60000, error);
}

// "on <arch> <command...>": a check that exists on one processor architecture only, such as the
// stack balance of a callback, which the x64 convention leaves to the caller.
bool ScriptRunner::ExecuteOn(const std::vector<std::string>& w, std::string* error) {
    if (w.size() < 3) {
        *error = "usage: on i686|x86_64 <command...>";
        return false;
    }
    if (w[1] != kHostArch)
        return true;
    return Execute(std::vector<std::string>(w.begin() + 2, w.end()), error);
}

bool ScriptRunner::ExecuteCallbacks(const std::vector<std::string>&, std::string* error) {
    MainWindow* window = window_;
    return Query([window] { StandinHost::Instance().plugins.CallIdleCallbacks(window->hwnd); }, error);
}

bool ScriptRunner::ExecutePrint(const std::vector<std::string>& w, std::string*) {
    std::string text;
    for (size_t i = 1; i < w.size(); ++i)
        text += (i > 1 ? " " : "") + Expand(w[i]);
    Out(text);
    return true;
}

// "file <path> <text>": writes the text as it stands (no line-end conversion), e.g. a plug-in's
// configuration before "start".
bool ScriptRunner::ExecuteFile(const std::vector<std::string>& w, std::string* error) {
    if (w.size() != 3) {
        *error = "usage: file <path> <text>";
        return false;
    }
    std::string path = Expand(w[1]);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << Expand(w[2])) || !file.flush()) {
        *error = "cannot write " + path;
        return false;
    }
    Out("  " + path);
    return true;
}

bool ScriptRunner::ExecuteFakeNntp(const std::vector<std::string>& w, std::string* error) {
    const std::string what = w.size() > 1 ? w[1] : std::string();
    std::string command;
    if (what == "scenario" && w.size() >= 3) {
        // The words after the name are passed on: "keep" and key=value settings.
        command = "SCENARIO " + w[2];
        for (size_t i = 3; i < w.size(); ++i)
            command += " " + (w[i] == "keep" ? std::string("KEEP") : w[i]);
    } else if (what == "reset" && w.size() == 2) {
        command = "RESET";
    } else if (what == "log" && w.size() == 2) {
        std::string log;
        if (!FakeNntpLog(&log, error))
            return false;
        Out("  " + log);
        return true;
    } else {
        *error = "usage: fake-nntp scenario <name> [keep] [<key>=<value>...]|reset|log";
        return false;
    }
    std::string answer;
    if (!fakeNntp_.Loaded() && !fakeNntp_.Load(error))
        return false;
    if (!fakeNntp_.Send(command, &answer, error))
        return false;
    if (answer != "OK") {
        *error = "the scripted news server answered \"" + answer + "\"";
        return false;
    }
    return true;
}

bool ScriptRunner::FakeNntpLog(std::string* log, std::string* error) {
    if (!fakeNntp_.Loaded() && !fakeNntp_.Load(error))
        return false;
    return fakeNntp_.Send("LOGALL", log, error);
}

bool ScriptRunner::SourceText(const std::string& word, std::string* text) const {
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    if (word != "TEMP")
        return host.store.ReadMessage(MailArg(word), text);
    *text = host.displayedText;
    return true;
}

bool ScriptRunner::ExecuteData(const std::vector<std::string>& w, std::string* error) {
    StandinHost& host = StandinHost::Instance();
    const std::string& verb = w[0];
    bool ok = false;
    std::string made;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (verb == "mailbox" && w.size() >= 2) {
            ok = host.store.CreateMailBox(w[1], &made) &&
                 (w.size() < 3 || host.store.WriteAccount(made, w[2], w.size() > 3 ? w[3] : std::string()));
        } else if (verb == "folder" && w.size() == 2) {
            ok = host.store.CreateFolder(Expand(w[1]));
            made = w[1];
        } else if (verb == "message" && w.size() == 3) {
            made = host.store.AppendMessage(Expand(w[1]), messagetext::ToCrLf(w[2]));
            ok = !made.empty();
        } else if (verb == "message-file" && w.size() == 3) {
            std::string text;
            ok = ReadFileText(Expand(w[2]), &text);
            if (ok)
                made = host.store.AppendMessage(Expand(w[1]), text);
            ok = ok && !made.empty();
        } else if (verb == "status" && w.size() == 4) {
            std::string id = MailArg(w[1]);
            unsigned set = strtoul(w[2].c_str(), nullptr, 0), clear = strtoul(w[3].c_str(), nullptr, 0);
            ok = host.store.MessageExists(id);
            host.store.SetStatus(id, set, clear);
            made = id;
        } else {
            *error = "wrong arguments for " + verb;
            return false;
        }
    }
    if (!ok) {
        *error = verb + " failed";
        return false;
    }
    Out("  " + made);
    MainWindow* window = window_;
    return Query(
        [window, verb] {
            if (verb == "mailbox" || verb == "folder")
                window->PopulateTree();
            else
                window->RefreshList();
        },
        error);
}

HMENU ScriptRunner::BuildMenuCopy(const std::string& which, std::string* error) {
    if (which == "main")
        return window_->menu;
    int type = which == "list" ? 1 : which == "folder" ? 2 : 0;
    if (!type) {
        *error = "menu must be main, list or folder";
        return nullptr;
    }
    HMENU built = nullptr;
    MainWindow* window = window_;
    if (!Query([&built, window, type] { built = window->BuildContextMenu(type); }, error))
        return nullptr;
    return built;
}

bool ScriptRunner::ExecuteUi(const std::vector<std::string>& w, std::string* error) {
    StandinHost& host = StandinHost::Instance();
    MainWindow* window = window_;
    const std::string& verb = w[0];
    std::string arg = w.size() > 2 ? w[2] : std::string();
    if ((verb == "select" || verb == "open") && w.size() == 3) {
        // The result outlives this call when a dialog comes up while the selection runs; the
        // selection then counts as made.
        auto ok = std::make_shared<bool>(true);
        std::function<void()> fn;
        if (w[1] == "folder" || w[1] == "mailbox") {
            std::string id = Expand(arg);
            if (w[1] == "mailbox")
                id = (id.size() > 3 && id.compare(id.size() - 4, 4, ".mb\\") == 0 ? id : id + ".mb\\") + "!!!!Inbox\\";
            bool reopen = verb == "open";
            fn = [ok, window, id, reopen] { *ok = window->SelectFolder(id, reopen); };
        } else if (w[1] == "mail" || w[1] == "add") {
            // The list takes in new messages on the UI thread after the store has them: a
            // numbered row that a "wait messages" has just seen arrive gets a moment to show.
            std::string id;
            ScriptWaitFor([&] { return !(id = MailArg(arg)).empty(); }, 3000);
            bool extend = w[1] == "add";
            fn = [ok, window, id, extend] { *ok = window->SelectMail(id, extend); };
        } else {
            *error = "select folder|mailbox|mail|add <id>";
            return false;
        }
        if (!Act(fn, actTimeout_, error))
            return false;
        if (!*ok)
            *error = "no such " + w[1] + ": " + arg;
        return *ok;
    }
    if (verb == "compose" && w.size() >= 2) {
        if (w[1] == "new" || w[1] == "reply") {
            int mode = w[1] == "new" ? 0 : 5;
            HWND* target = &composing_;
            *target = nullptr;
            if (!Query([window, mode, target] { *target = window->OpenCompose(mode, std::string()); }, error))
                return false;
            if (!composing_)
                *error = "no compose window opened";
            return composing_ != nullptr;
        }
        if (!composing_ || !IsWindow(composing_)) {
            *error = "no compose window: use compose new or compose reply first";
            return false;
        }
        HWND compose = composing_;
        if (w[1] == "header" && w.size() == 4) {
            std::string name = w[2], value = w[3];
            return Query(
                [compose, name, value] {
                    ComposeWindow::SetText(
                        compose,
                        messagetext::SetHeader(messagetext::ToCrLf(ComposeWindow::GetText(compose)), name, value));
                },
                error);
        }
        if (w[1] == "body" && w.size() == 3) {
            std::string body = messagetext::ToCrLf(w[2]);
            return Query(
                [compose, body] {
                    std::string t = messagetext::ToCrLf(ComposeWindow::GetText(compose));
                    ComposeWindow::SetText(compose, t.substr(0, messagetext::HeaderBlockLength(t)) + body);
                },
                error);
        }
        if (w[1] == "send" && w.size() == 2) {
            size_t logged;
            {
                std::lock_guard<std::recursive_mutex> lock(host.mutex);
                logged = host.log.size();
            }
            if (!Act([compose] { ComposeWindow::Send(compose); }, actTimeout_, error))
                return false;
            std::lock_guard<std::recursive_mutex> lock(host.mutex);
            for (size_t i = logged; i < host.log.size(); ++i)
                Out("  " + host.log[i]);
            return true;
        }
        *error = "compose new|reply|header <name> <value>|body <text>|send";
        return false;
    }
    if (verb == "menu" && w.size() == 3) {
        HMENU menu = BuildMenuCopy(w[1], error);
        if (!menu)
            return false;
        HMENU owner = nullptr;
        int position = -1;
        bool found = UiProbe::FindMenuItem(menu, w[2], &owner, &position);
        UINT id = found ? GetMenuItemID(owner, position) : 0;
        UINT state = 0;
        if (found && id != static_cast<UINT>(-1)) {
            Query([window, owner] { window->ApplyUiStates(owner); }, error);
            state = GetMenuState(owner, position, MF_BYPOSITION);
        }
        if (w[1] != "main")
            Query([menu] { DestroyMenu(menu); }, error);
        if (!found || id == static_cast<UINT>(-1)) {
            *error = found ? "\"" + w[2] + "\" opens a submenu" : "no menu item \"" + w[2] + "\"";
            return false;
        }
        if (state & MF_GRAYED) {
            *error = "menu item \"" + w[2] + "\" is greyed";
            return false;
        }
        Out("  command " + std::to_string(id));
        return Act([window, id] { window->OnCommand(id); }, actTimeout_, error);
    }
    if (verb == "rename" && w.size() == 3) {
        std::string id = Expand(w[1]), name = w[2];
        auto ok = std::make_shared<bool>(false);
        if (!Act([ok, window, id, name] { *ok = window->RenameFolder(id, name); }, actTimeout_, error))
            return false;
        if (!*ok)
            *error = "cannot rename " + id + " to " + name;
        return *ok;
    }
    if (verb == "command" && w.size() == 2) {
        UINT id = static_cast<UINT>(strtoul(w[1].c_str(), nullptr, 10));
        return Act([window, id] { window->OnCommand(id); }, actTimeout_, error);
    }
    if (verb == "setup" && w.size() == 2) {
        std::string name = w[1];
        auto found = std::make_shared<bool>(true);
        if (!Act([window, name, found] { *found = StandinHost::Instance().plugins.Setup(name, window->hwnd); },
                 actTimeout_, error))
            return false;
        if (!*found)
            *error = "no plug-in " + name;
        return *found;
    }
    if (verb == "screenshot" && (w.size() == 2 || (w.size() == 3 && w[1] == "dialog"))) {
        // "screenshot dialog <file>" captures the active dialog instead of the main window.
        std::string path = Expand(w.back());
        HWND target = window->hwnd;
        if (w.size() == 3) {
            Query([&target] { target = UiProbe::ActiveDialog(); }, error);
            if (target == nullptr) {
                *error = "no dialog is up";
                return false;
            }
        }
        bool ok = false;
        // Let pending paints finish first, so that the picture shows the current state.
        Query([target] { RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW); },
              error);
        Sleep(300);
        bool clientOnly = target != window->hwnd;
        Query([&ok, target, path, clientOnly] { ok = UiProbe::SaveWindowBitmap(target, path, clientOnly); }, error);
        if (!ok)
            *error = "cannot write " + path;
        return ok;
    }
    *error = "wrong arguments for " + verb;
    return false;
}
