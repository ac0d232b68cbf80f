// Scenario commands for what plug-ins show through their hooks on the host's windows: "hover"
// brings the mouse over a cell of the message list, and the checks "expect tooltip" (the text
// that the list's tool, owner the list and id 0, holds now: the tool that plug-ins fill for
// cut-off cells), "expect popup" / "expect nopopup" (a pop-up menu that a plug-in tracks) and
// "expect selected" (a plug-in made a message the current one).
#include <windows.h>

#include <commctrl.h>

#include <mutex>
#include <string>
#include <vector>

#include "standin/MainWindow.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"
#include "standin/UiProbe.h"

namespace {

const int kTipBuffer = 1024;

// On the UI thread. Empty when the list has no tooltip, no such tool, or a tool without text.
std::string ListToolText(HWND list) {
    HWND tooltip = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETTOOLTIPS, 0, 0));
    if (tooltip == nullptr)
        return std::string();
    char text[kTipBuffer] = {};
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = list;
    tool.uId = 0;
    tool.lpszText = text;
    if (!SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)))
        return std::string();
    tool.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, kTipBuffer, reinterpret_cast<LPARAM>(&tool));
    text[kTipBuffer - 1] = '\0';
    return text;
}

std::string Shown(const std::string& tip) {
    return tip.empty() ? std::string("none") : "\"" + tip + "\"";
}

}  // namespace

// "hover <row> <column> [width]": the column takes the width first when one is given; the list
// then gets the mouse-move of a pointer on the cell's left part, where the cell's own text
// starts. The display's pointer is left alone, so nothing else on the display reacts.
bool ScriptRunner::ExecuteHover(const std::vector<std::string>& w, std::string* error) {
    if (w.size() < 3 || w.size() > 4) {
        *error = "usage: hover <row> <column> [width]";
        return false;
    }
    int row = atoi(w[1].c_str());
    int column = atoi(w[2].c_str());
    int width = w.size() == 4 ? atoi(w[3].c_str()) : -1;
    HWND list = window_->list;
    bool found = false;
    std::string tip;
    if (!Query(
            [&] {
                if (width >= 0)
                    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
                RECT cell = {};
                cell.top = column;
                cell.left = LVIR_LABEL;
                if (!SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell)))
                    return;
                found = true;
                int x = cell.left + (cell.right - cell.left > 8 ? 4 : (cell.right - cell.left) / 2);
                int y = (cell.top + cell.bottom) / 2;
                SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
                tip = ListToolText(list);
            },
            error))
        return false;
    if (!found) {
        *error = "the message list has no cell " + w[1] + " " + w[2];
        return false;
    }
    Out("  tooltip " + Shown(tip));
    return true;
}

// "expect tooltip <text>|none", "expect popup <text> present|absent", "expect nopopup",
// "expect selected <mail>".
bool ScriptRunner::ExpectHookView(const std::vector<std::string>& w, std::string* error) {
    if (w[1] == "nopopup" && w.size() == 2) {
        if (UiProbe::PopupMenu() != nullptr) {
            *error = "a pop-up menu is open";
            return false;
        }
        return true;
    }
    if (w[1] == "popup" && w.size() == 4 && (w[3] == "present" || w[3] == "absent")) {
        HWND popup = nullptr;
        if (!ScriptWaitFor([&popup] { return (popup = UiProbe::PopupMenu()) != nullptr; }, kScriptDefaultTimeout)) {
            *error = "no pop-up menu is open";
            return false;
        }
        // MN_GETHMENU: the menu that the pop-up window shows.
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1, 0, 0));
        HMENU owner = nullptr;
        int position = -1;
        bool present = UiProbe::FindMenuItem(menu, w[2], &owner, &position);
        if (present != (w[3] == "present")) {
            *error = "the pop-up menu " + std::string(present ? "has" : "lacks") + " \"" + w[2] + "\"";
            return false;
        }
        return true;
    }
    if (w[1] == "selected" && w.size() == 3) {
        std::string mail = MailArg(w[2]);
        StandinHost& host = StandinHost::Instance();
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (!host.selected.count(mail)) {
            *error = w[2] + " (" + mail + ") is not selected";
            return false;
        }
        return true;
    }
    if (w[1] != "tooltip" || w.size() != 3) {
        *error = "usage: expect tooltip <text>|none, popup <text> present|absent, nopopup, selected <mail>";
        return false;
    }
    HWND list = window_->list;
    std::string tip;
    if (!Query([&] { tip = ListToolText(list); }, error))
        return false;
    std::string wanted = w[2] == "none" ? std::string() : w[2];
    if (tip != wanted) {
        *error = "the message list's tooltip is " + Shown(tip) + ", not " + Shown(wanted);
        return false;
    }
    return true;
}
