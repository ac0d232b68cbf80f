// The scenario commands that look at the host from outside: dialogs and message boxes, dumps,
// expectations and waits.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "standin/ComposeWindow.h"
#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"
#include "standin/UiProbe.h"

namespace {

int ButtonId(const std::string& name) {
    static const std::pair<const char*, int> kButtons[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                                                           {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                                                           {"no", IDNO}};
    for (const auto& b : kButtons) {
        if (name == b.first)
            return b.second;
    }
    return 0;
}

void Click(HWND dialog, HWND control, int id) {
    // Posted: the click may open a dialog of its own, which must not block the script.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

bool ReadFileText(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    *text = all.str();
    return true;
}

// The rows of a list view (cells joined by " | "; a virtual list is asked for its texts as it
// would ask when painting), of a combo box or of a list box. Runs on any thread: the messages
// are sent to the control's own thread.
std::vector<std::string> ControlRows(HWND control) {
    std::vector<std::string> rows;
    std::string cls = UiProbe::ClassName(control);
    if (cls == "ListBox" || cls == "ComboBox") {
        bool list = cls == "ListBox";
        int count = static_cast<int>(SendMessageA(control, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
        for (int r = 0; r < count; ++r) {
            LRESULT length = SendMessageA(control, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, r, 0);
            std::vector<char> text(static_cast<size_t>(length < 0 ? 0 : length) + 1);
            SendMessageA(control, list ? LB_GETTEXT : CB_GETLBTEXT, r, reinterpret_cast<LPARAM>(text.data()));
            rows.emplace_back(text.data());
        }
        return rows;
    }
    int count = static_cast<int>(SendMessageA(control, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageA(control, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    for (int r = 0; r < count; ++r) {
        std::string line;
        for (int c = 0; c < std::max(columns, 1); ++c) {
            char text[512] = {};
            LVITEMA item = {};
            item.iSubItem = c;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(control, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
            line += (c ? " | " : "") + std::string(text);
        }
        rows.push_back(line);
    }
    return rows;
}

}  // namespace

bool ScriptRunner::ExecuteDialog(const std::vector<std::string>& w, std::string* error) {
    if (w[0] == "click" && w.size() >= 3 && w[1] == "status") {
        // A click on a status-bar part as the user makes it: the cursor moves there first,
        // since hooks look at the cursor position.
        HWND status = window_->status;
        int part = atoi(w[2].c_str());
        bool right = w.size() < 4 || w[3] == "right";
        RECT rc = {};
        if (!SendMessageA(status, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rc))) {
            *error = "no status-bar part " + w[2];
            return false;
        }
        POINT at = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        POINT screen = at;
        ClientToScreen(status, &screen);
        SetCursorPos(screen.x, screen.y);
        LPARAM where = MAKELPARAM(at.x, at.y);
        return Act(
            [status, right, where] {
                SendMessageA(status, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, where);
                SendMessageA(status, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, where);
            },
            actTimeout_, error);
    }
    if (w[0] == "popup") {
        std::string what = w.size() > 1 ? w[1] : std::string();
        HWND popup = nullptr;
        if (!ScriptWaitFor([&popup] { return (popup = UiProbe::PopupMenu()) != nullptr; },
                           ScriptTimeoutArg(w, what == "choose" ? 3 : 2))) {
            *error = "no pop-up menu is open";
            return false;
        }
        if (what == "dump") {
            std::vector<std::string> lines;
            UiProbe::DescribeMenu(reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1, 0, 0)), 0, &lines);
            for (const std::string& line : lines)
                Out("  " + line);
            return true;
        }
        if (what == "choose" && w.size() >= 3) {
            // The click arrives as input; once the menu is gone the choice is being acted on.
            if (!UiProbe::ChoosePopupItem(w[2], error))
                return false;
            if (!ScriptWaitFor([] { return UiProbe::PopupMenu() == nullptr; }, kScriptDefaultTimeout)) {
                *error = "the pop-up menu stayed open (a greyed item?)";
                return false;
            }
            return Settle(error);
        }
        if (what == "close") {
            // Ended on the UI thread, where the menu is tracked; no keyboard input is needed,
            // which another program on the display could take.
            StandinHost::Instance().RunOnUi([] { EndMenu(); }, false);
            if (!ScriptWaitFor([] { return UiProbe::PopupMenu() == nullptr; }, kScriptDefaultTimeout)) {
                *error = "the pop-up menu stayed open";
                return false;
            }
            return Settle(error);
        }
        *error = "popup dump|choose <text>|close";
        return false;
    }
    if (w[0] == "msgbox" && w.size() >= 2 && w[1] == "wait") {
        // Only waits, so that "expect text 65535" can check the box before it is answered.
        if (ScriptWaitFor(
                [] {
                    HWND box = UiProbe::ActiveDialog();
                    return box && UiProbe::IsMessageBox(box);
                },
                ScriptTimeoutArg(w, 2)))
            return true;
        *error = "no message box came up";
        return false;
    }
    if (w[0] == "msgbox") {
        int button = w.size() >= 2 ? ButtonId(w[1]) : 0;
        // "then <id>": a click on the box owner's control, posted right behind the answer, so the
        // owner handles it before anything that the answer sets going can post.
        size_t then = w.size() >= 4 && w[w.size() - 2] == "then" ? w.size() - 2 : w.size();
        if (!button || then > 3) {
            *error = "msgbox ok|cancel|yes|no|retry|ignore|abort [timeout] [then <id>]";
            return false;
        }
        DWORD timeout = then == 3 ? ScriptTimeoutArg(w, 2) : kScriptDefaultTimeout;
        HWND box = nullptr;
        if (!ScriptWaitFor(
                [&box] {
                    box = UiProbe::ActiveDialog();
                    return box && UiProbe::IsMessageBox(box);
                },
                timeout)) {
            *error = "no message box came up";
            return false;
        }
        Out("  message box \"" + UiProbe::WindowText(box) + "\": " + UiProbe::WindowText(GetDlgItem(box, 0xFFFF)));
        HWND control = GetDlgItem(box, button);
        if (!control) {
            *error = "the message box has no button " + w[1];
            return false;
        }
        HWND owner = GetWindow(box, GW_OWNER);
        int thenId = then < w.size() ? atoi(w[then + 1].c_str()) : 0;
        HWND thenControl = then < w.size() && owner ? UiProbe::FindControl(owner, thenId) : nullptr;
        if (then < w.size() && !thenControl) {
            *error = "the message box's owner has no control " + w[then + 1];
            return false;
        }
        Click(box, control, button);
        if (thenControl)
            Click(GetParent(thenControl), thenControl, thenId);
        ScriptWaitFor([box] { return !IsWindow(box) || !IsWindowVisible(box); }, kScriptDefaultTimeout);
        return Settle(error);
    }
    if (w.size() < 2) {
        *error = "dialog wait|set|click|check|select|dump|close";
        return false;
    }
    const std::string& what = w[1];
    if (what == "wait") {
        std::string title = w.size() > 2 ? w[2] : std::string();
        HWND found = nullptr;
        bool ok = ScriptWaitFor(
            [&] {
                found = UiProbe::ActiveDialog();
                return found && (title.empty() || UiProbe::WindowText(found).find(title) != std::string::npos);
            },
            ScriptTimeoutArg(w, 3));
        if (!ok)
            *error = "no dialog" + (title.empty() ? std::string() : " \"" + title + "\"") + " came up";
        else
            Out("  dialog \"" + UiProbe::WindowText(found) + "\"");
        return ok;
    }
    if (what == "gone") {
        std::string title = w.size() > 2 ? w[2] : std::string();
        bool ok = ScriptWaitFor(
            [&] {
                for (HWND d : UiProbe::Dialogs()) {
                    if (title.empty() || UiProbe::WindowText(d).find(title) != std::string::npos)
                        return false;
                }
                return true;
            },
            ScriptTimeoutArg(w, 3));
        if (!ok)
            *error = "the dialog is still up";
        return ok;
    }
    HWND dialog = UiProbe::ActiveDialog();
    if (!dialog) {
        *error = "no dialog is up";
        return false;
    }
    if (what == "dump") {
        for (const std::string& line : UiProbe::DescribeDialog(dialog))
            Out("  " + line);
        return true;
    }
    if (what == "close") {
        Click(dialog, GetDlgItem(dialog, IDCANCEL), IDCANCEL);
        return Settle(error);
    }
    int id = w.size() > 2 ? atoi(w[2].c_str()) : 0;
    HWND control = UiProbe::FindControl(dialog, id);
    if (!control) {
        *error = "the dialog \"" + UiProbe::WindowText(dialog) + "\" has no control " + std::to_string(id);
        return false;
    }
    HWND parent = GetParent(control);
    if (what == "set" && w.size() == 4) {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[3].c_str()));
        // A multi-line edit does not report a text set this way; typing would, so say it.
        if (UiProbe::ClassName(control) == "Edit" && (GetWindowLongA(control, GWL_STYLE) & ES_MULTILINE))
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(control));
        return true;
    }
    if (what == "click" && w.size() == 3) {
        Click(parent, control, id);
        return Settle(error);
    }
    if (what == "check" && w.size() == 4) {
        SendMessageA(control, BM_SETCHECK, atoi(w[3].c_str()) ? BST_CHECKED : BST_UNCHECKED, 0);
        Click(parent, control, id);
        return Settle(error);
    }
    if (what == "select" && w.size() >= 4) {
        // A row of a list view (selected, focused and clicked; "add" keeps the rows selected
        // before, as a Ctrl+click does; "key" only moves the selection, as the arrow keys do) or
        // an entry of a combo or list box.
        int row = atoi(w[3].c_str());
        std::string cls = UiProbe::ClassName(control);
        std::string how = w.size() > 4 ? w[4] : std::string();
        bool dbl = how == "double", right = how == "right", add = how == "add", key = how == "key";
        auto act = [=] {
            if (cls == WC_LISTVIEWA) {
                LVITEMA state = {};
                state.stateMask = add ? LVIS_FOCUSED : LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageA(control, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
                state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                state.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageA(control, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
                if (key)
                    return;
                NMITEMACTIVATE click = {};
                click.hdr.hwndFrom = control;
                click.hdr.idFrom = id;
                click.hdr.code = dbl ? NM_DBLCLK : right ? NM_RCLICK : NM_CLICK;
                click.iItem = row;
                PostMessageA(parent, WM_NULL, 0, 0);
                SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&click));
            } else if (cls == "ComboBox") {
                SendMessageA(control, CB_SETCURSEL, row, 0);
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
            } else if (cls == "ListBox") {
                SendMessageA(control, LB_SETCURSEL, row, 0);
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
            }
        };
        // A double- or right-click may open a menu, a message box or a dialog that waits for the
        // script: it returns once one has come up.
        if (dbl || right)
            return Act(act, actTimeout_, error);
        return Query(act, error);
    }
    if (what == "tab" && w.size() == 4) {
        // A click on a tab: the control asks its parent first, changes, then tells it.
        int index = atoi(w[3].c_str());
        return Query(
            [=] {
                NMHDR note = {control, static_cast<UINT_PTR>(id), static_cast<UINT>(TCN_SELCHANGING)};
                if (SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&note)))
                    return;
                SendMessageA(control, TCM_SETCURSEL, index, 0);
                note.code = static_cast<UINT>(TCN_SELCHANGE);
                SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&note));
            },
            error);
    }
    if ((what == "enabled" || what == "disabled") && w.size() == 3) {
        if ((IsWindowEnabled(control) != FALSE) == (what == "enabled"))
            return true;
        *error = "control " + w[2] + " is not " + what;
        return false;
    }
    if ((what == "checked" || what == "unchecked") && w.size() == 3) {
        bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked == (what == "checked"))
            return true;
        *error = "control " + w[2] + " is not " + what;
        return false;
    }
    if (what == "position" && (w.size() == 4 || w.size() == 5)) {
        // A progress bar passes through its values while work runs: wait until it shows this one.
        int want = atoi(w[3].c_str());
        DWORD limit = w.size() == 5 ? static_cast<DWORD>(atoi(w[4].c_str())) : 10000;
        DWORD start = GetTickCount();
        int pos = 0;
        for (;;) {
            DWORD_PTR got = 0;
            SendMessageTimeoutA(control, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &got);
            pos = static_cast<int>(got);
            if (pos == want)
                return true;
            if (GetTickCount() - start >= limit)
                break;
            Sleep(10);
        }
        *error = "progress bar " + w[2] + " stays at " + std::to_string(pos);
        return false;
    }
    if (what == "rows" && w.size() == 3) {
        for (const std::string& line : ControlRows(control))
            Out("  " + line);
        return true;
    }
    if (what == "count" && w.size() == 4) {
        // A list view is only counted: reading 100,000 virtual rows would take long.
        size_t count = UiProbe::ClassName(control) == WC_LISTVIEWA
                           ? static_cast<size_t>(SendMessageA(control, LVM_GETITEMCOUNT, 0, 0))
                           : ControlRows(control).size();
        if (count == static_cast<size_t>(atoi(w[3].c_str())))
            return true;
        *error = "control " + w[2] + " has " + std::to_string(count) + " rows";
        return false;
    }
    if ((what == "has" || what == "lacks") && w.size() == 4) {
        // A row whose cells (joined by " | ") are exactly the text.
        std::vector<std::string> rows = ControlRows(control);
        bool found = std::find(rows.begin(), rows.end(), w[3]) != rows.end();
        if (found == (what == "has"))
            return true;
        *error = "control " + w[2] + (found ? " has" : " has no") + " row \"" + w[3] + "\"";
        return false;
    }
    *error = "wrong arguments for dialog " + what;
    return false;
}

bool ScriptRunner::ExecuteDump(const std::vector<std::string>& w, std::string* error) {
    StandinHost& host = StandinHost::Instance();
    const std::string what = w.size() > 1 ? w[1] : std::string();
    if (what == "folders") {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::function<void(const std::string&, int)> walk = [&](const std::string& id, int depth) {
            std::string line(2 + depth * 2, ' ');
            line += id;
            if (depth > 0) {
                std::vector<std::string> mails = host.store.Messages(id);
                size_t unread = 0;
                for (const std::string& m : mails)
                    unread += (host.store.GetStatus(m) & 1) ? 0 : 1;
                line += " (" + std::to_string(mails.size()) + " messages, " + std::to_string(unread) + " unread)";
            }
            if (id == host.currentFolder)
                line += " *";
            Out(line);
            for (const std::string& sub : host.store.SubFolders(id))
                walk(sub, depth + 1);
        };
        for (const std::string& box : host.store.MailBoxes())
            walk(box, 0);
        return true;
    }
    if (what == "messages") {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::string folder = w.size() > 2 ? Expand(w[2]) : host.currentFolder;
        std::vector<std::string> mails = folder == host.currentFolder ? host.folderMails : host.store.Messages(folder);
        for (size_t i = 0; i < mails.size(); ++i) {
            std::string text;
            host.store.ReadMessage(mails[i], &text);
            std::string subject = messagetext::GetHeader(text, "Subject");
            Out("  #" + std::to_string(i) + " " + mails[i] +
                " status=" + std::to_string(host.store.GetStatus(mails[i])) +
                (host.selected.count(mails[i]) ? " selected" : "") + " \"" + subject + "\"");
        }
        return true;
    }
    if (what == "source" && w.size() == 3) {
        std::string text;
        if (!SourceText(w[2], &text)) {
            *error = "no message " + w[2];
            return false;
        }
        Out("--- source " + w[2]);
        Out(text);
        Out("--- end");
        return true;
    }
    if (what == "file" && w.size() == 3) {
        std::string text;
        if (!ReadFileText(Expand(w[2]), &text)) {
            *error = "cannot read " + Expand(w[2]);
            return false;
        }
        Out("--- file " + w[2]);
        Out(text);
        Out("--- end");
        return true;
    }
    if (what == "status") {
        MainWindow* window = window_;
        std::vector<std::string> parts;
        Query(
            [&parts, window] {
                int count = static_cast<int>(SendMessageA(window->status, SB_GETPARTS, 0, 0));
                std::vector<int> edges(count > 0 ? count : 1);
                SendMessageA(window->status, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
                for (int i = 0; i < count; ++i)
                    parts.push_back(std::to_string(i) + " edge=" + std::to_string(edges[i]) + " \"" +
                                    window->StatusText(i) + "\"");
            },
            error);
        for (const std::string& p : parts)
            Out("  part " + p);
        return true;
    }
    if (what == "menu" && w.size() == 3) {
        HMENU menu = BuildMenuCopy(w[2], error);
        if (!menu)
            return false;
        std::vector<std::string> lines;
        MainWindow* window = window_;
        std::function<void(HMENU)> apply = [&](HMENU m) {
            window->ApplyUiStates(m);
            for (int i = 0; i < GetMenuItemCount(m); ++i) {
                if (HMENU sub = GetSubMenu(m, i))
                    apply(sub);
            }
        };
        Query(
            [&] {
                apply(menu);
                UiProbe::DescribeMenu(menu, 0, &lines);
                if (w[2] != "main")
                    DestroyMenu(menu);
            },
            error);
        Out("  menu " + w[2]);
        for (const std::string& line : lines)
            Out("  " + line);
        return true;
    }
    if (what == "commands") {
        std::vector<HostCommand> commands;
        {
            std::lock_guard<std::recursive_mutex> lock(host.mutex);
            commands = host.commands;
        }
        for (const HostCommand& c : commands) {
            Out("  " + std::to_string(c.id) + " target=" + std::to_string(c.target) + " \"" + c.comment + "\"" +
                (c.ui ? " ui" : ""));
        }
        return true;
    }
    if (what == "plugins") {
        std::vector<PluginSet::Plugin> plugins;
        Query([&plugins] { plugins = StandinHost::Instance().plugins.Plugins(); }, error);
        for (const PluginSet::Plugin& p : plugins) {
            if (!p.module && p.loadError)
                Out("  " + p.file + " failed error=" + std::to_string(p.loadError));
            else
                Out("  " + p.file + " loaded \"" + p.name + "\" \"" + p.version + "\" \"" + p.description + "\"");
        }
        return true;
    }
    if (what == "threads") {
        for (const std::string& line : UiProbe::DescribeThreads())
            Out("  " + line);
        return true;
    }
    if (what == "log") {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        for (const std::string& line : host.log)
            Out("  " + line);
        return true;
    }
    if (what == "compose") {
        std::vector<HWND> open;
        Query([&open] { open = ComposeWindow::All(); }, error);
        for (HWND c : open) {
            std::string text;
            Query([&text, c] { text = ComposeWindow::GetText(c); }, error);
            Out("--- compose");
            Out(text);
            Out("--- end");
        }
        return true;
    }
    if (what == "dialog") {
        HWND dialog = UiProbe::ActiveDialog();
        if (!dialog) {
            *error = "no dialog is up";
            return false;
        }
        for (const std::string& line : UiProbe::DescribeDialog(dialog))
            Out("  " + line);
        return true;
    }
    if (what == "windows") {
        MainWindow* window = window_;
        std::vector<std::string> lines;
        Query(
            [&] {
                char line[256];
                HWND frame = FindWindowExA(window->hwnd, nullptr, "AfxMDIFrame42s", nullptr);
                HWND first = frame ? GetWindow(frame, GW_CHILD) : nullptr;
                snprintf(line, sizeof line, "frame child of AfxMDIFrame42s: %s",
                         first ? UiProbe::ClassName(first).c_str() : "none");
                lines.push_back(line);
                HWND status = FindWindowExA(window->hwnd, nullptr, "msctls_statusbar32", nullptr);
                snprintf(line, sizeof line, "status bar parts: %d",
                         status ? static_cast<int>(SendMessageA(status, SB_GETPARTS, 0, 0)) : 0);
                lines.push_back(line);
                snprintf(line, sizeof line, "list tooltip: %s",
                         SendMessageA(window->list, LVM_GETTOOLTIPS, 0, 0) ? "yes" : "no");
                lines.push_back(line);
                snprintf(line, sizeof line, "top-level menus: %d", GetMenuItemCount(window->menu));
                lines.push_back(line);
            },
            error);
        for (const std::string& line : lines)
            Out("  " + line);
        return true;
    }
    *error = "dump folders|messages|source|file|status|menu|commands|plugins|log|threads|compose|dialog|windows";
    return false;
}
