#include "news/WindowHooks.h"

#include <commctrl.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "news/ArticleReturn.h"
#include "news/NewsState.h"
#include "news/StatusPopup.h"

namespace {

struct Subclass {
    HWND window;
    WNDPROC ours;
    WNDPROC previous;
};

// User-interface thread only, like the window procedures that read it.
std::vector<Subclass> gSubclasses;

const int kStatusBarParts = 5;
const int kPartOneWidening = 50;
const int kCellTextBuffer = 1024;

// The message list's tooltip window and the cell whose text it was last given; user-interface
// thread only. The tooltip belongs to the list and lives as long as the list does.
HWND gListTooltip = nullptr;
int gLastItem = -1;
int gLastSubItem = -1;

// The tool record in its common-controls 5 size, the record up to lParam as the compiler lays
// it out for the target: 44 bytes on i686, 64 on x86_64, where the window, id, instance and text
// fields are 8 bytes wide (a fixed 44 would end inside the instance field there, and the tooltip
// would refuse the record). Both versions of the control accept this size; the full record,
// grown in version 6, would be refused by version 5.
constexpr UINT kToolRecordSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);
static_assert(kToolRecordSize == (sizeof(void*) == 8 ? 64 : 44), "tool record size");

TTTOOLINFOA ListTool(HWND list, LPSTR text) {
    TTTOOLINFOA tool = {};
    tool.cbSize = kToolRecordSize;
    tool.hwnd = list;
    tool.uId = 0;
    tool.hinst = gModule;
    tool.lpszText = text;
    GetClientRect(list, &tool.rect);
    return tool;
}

// Average character width of the list's font, the font the cells are drawn in.
int AverageCharWidth(HWND list) {
    HDC dc = GetDC(list);
    if (dc == nullptr)
        return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(list, dc);
    return metrics.tmAveCharWidth;
}

// Gives the list's tool the text of a cell that its column cuts off, or no text.
void ShowCellTip(HWND list, int item, int subItem) {
    char text[kCellTextBuffer] = {};
    if (item >= 0) {
        LVITEMA cell = {};
        cell.iSubItem = subItem;
        cell.pszText = text;
        cell.cchTextMax = kCellTextBuffer;
        SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell));
        text[kCellTextBuffer - 1] = '\0';
    }
    int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, subItem, 0));
    bool cutOff = width < static_cast<int>(strlen(text)) * AverageCharWidth(list);
    char none[1] = {};
    TTTOOLINFOA tool = ListTool(list, cutOff ? text : none);
    SendMessageA(gListTooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(gListTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

WNDPROC SubclassWindow(HWND window, WNDPROC proc) {
    if (window == nullptr || !IsWindow(window))
        return nullptr;
    auto previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    gSubclasses.push_back(Subclass{window, proc, previous});
    return previous;
}

WNDPROC PreviousWindowProc(HWND window) {
    for (const Subclass& subclass : gSubclasses) {
        if (subclass.window == window)
            return subclass.previous;
    }
    return nullptr;
}

void RestoreSubclassedWindows() {
    // Latest first, so a window subclassed twice ends with its original procedure.
    for (auto it = gSubclasses.rbegin(); it != gSubclasses.rend(); ++it) {
        if (IsWindow(it->window) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(it->window, GWLP_WNDPROC)) == it->ours)
            SetWindowLongPtrA(it->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->previous));
    }
    // The list itself stays: a message already on its way into one of our procedures may still
    // look its previous procedure up.
}

bool HookStatusBar(HWND mainWindow) {
    if (mainWindow == nullptr)
        return false;
    // Once per run: a second start must not move the edges again.
    if (gStatusBar != nullptr)
        return true;
    HWND statusBar = FindWindowExA(mainWindow, nullptr, STATUSCLASSNAMEA, nullptr);
    if (statusBar == nullptr)
        return false;
    int edges[kStatusBarParts] = {};
    // A bar with fewer parts keeps its count: setting five edges would add parts to it.
    int parts =
        static_cast<int>(SendMessageA(statusBar, SB_GETPARTS, kStatusBarParts, reinterpret_cast<LPARAM>(edges)));
    if (parts > kStatusBarParts)
        parts = kStatusBarParts;
    if (parts > 0) {
        edges[0] -= kPartOneWidening;
        SendMessageA(statusBar, SB_SETPARTS, parts, reinterpret_cast<LPARAM>(edges));
    }
    if (SubclassWindow(statusBar, StatusBarProc) == nullptr)
        return false;
    gStatusBar = statusBar;
    return true;
}

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Posting workers send articles that were not posted here, to reopen them on this thread.
    if (HandleArticleReturn(message, lParam))
        return 0;
    if (message == WM_RBUTTONDOWN)
        return StatusPopup::OnRightButtonDown(window);
    WNDPROC previous = PreviousWindowProc(window);
    if (previous == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

bool HookMessageList(HWND list) {
    if (list == nullptr || PreviousWindowProc(list) != nullptr)
        return false;
    if (SubclassWindow(list, ListViewProc) == nullptr)
        return false;
    gListTooltip = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETTOOLTIPS, 0, 0));
    if (gListTooltip != nullptr) {
        char none[1] = {};
        TTTOOLINFOA tool = ListTool(list, none);
        // A tool left from an earlier load of this library would otherwise stay beside ours.
        SendMessageA(gListTooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageA(gListTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

LRESULT CALLBACK ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE && gListTooltip != nullptr) {
        LVHITTESTINFO hit = {};
        hit.pt.x = static_cast<short>(LOWORD(lParam));
        hit.pt.y = static_cast<short>(HIWORD(lParam));
        SendMessageA(window, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem != gLastItem || hit.iSubItem != gLastSubItem) {
            ShowCellTip(window, hit.iItem, hit.iSubItem);
            gLastItem = hit.iItem;
            gLastSubItem = hit.iSubItem;
        }
    }
    WNDPROC previous = PreviousWindowProc(window);
    if (previous == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
