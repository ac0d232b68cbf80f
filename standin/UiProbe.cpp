#include "standin/UiProbe.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>

#include "standin/ScriptLine.h"
#include "standin/StandinHost.h"

namespace UiProbe {
namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && IsWindowEnabled(window) &&
        ClassName(window) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM lp) {
    auto* search = reinterpret_cast<ControlSearch*>(lp);
    if (GetDlgCtrlID(window) == search->id && ClassName(window) != "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct Describe {
    HWND root;
    std::vector<std::string>* lines;
};

BOOL CALLBACK DescribeControl(HWND window, LPARAM lp) {
    auto* d = reinterpret_cast<Describe*>(lp);
    int depth = 0;
    for (HWND p = GetParent(window); p && p != d->root; p = GetParent(p))
        ++depth;
    char line[600];
    std::string text = WindowText(window);
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    if (text.size() > 200)
        text = text.substr(0, 200) + "...";
    // Check boxes and radio buttons say when they are checked.
    DWORD_PTR check = 0;
    bool checked = ClassName(window) == "Button" &&
                   SendMessageTimeoutA(window, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &check) && check == BST_CHECKED;
    // Progress bars say where they stand.
    std::string position;
    DWORD_PTR pos = 0;
    if (ClassName(window) == "msctls_progress32" &&
        SendMessageTimeoutA(window, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &pos))
        position = " position " + std::to_string(static_cast<int>(pos));
    snprintf(line, sizeof line, "%*s%d %s \"%s\"%s%s%s%s", 2 + depth * 2, "", GetDlgCtrlID(window),
             ClassName(window).c_str(), text.c_str(), IsWindowEnabled(window) ? "" : " disabled",
             IsWindowVisible(window) ? "" : " hidden", checked ? " checked" : "", position.c_str());
    d->lines->push_back(line);
    return TRUE;
}

bool SameText(const std::string& item, const std::string& wanted) {
    std::string a = scriptline::StripAmpersands(item);
    size_t tab = a.find('\t');
    if (tab != std::string::npos)
        a = a.substr(0, tab);
    return _stricmp(a.c_str(), scriptline::StripAmpersands(wanted).c_str()) == 0;
}

std::string ItemText(HMENU menu, int position) {
    char text[256] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

bool Search(HMENU menu,
            const std::vector<std::string>& path,
            size_t level,
            bool anywhere,
            HMENU* owner,
            int* position) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (SameText(ItemText(menu, i), path[level])) {
            if (level + 1 == path.size()) {
                *owner = menu;
                *position = i;
                return true;
            }
            if (sub && Search(sub, path, level + 1, false, owner, position))
                return true;
        }
        if (anywhere && sub && Search(sub, path, level, true, owner, position))
            return true;
    }
    return false;
}

BOOL CALLBACK CollectPopup(HWND window, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && ClassName(window) == "#32768")
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

std::vector<HWND> Popups() {
    std::vector<HWND> found;
    EnumWindows(CollectPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

const UINT kGetMenuOfWindow = 0x01E1;  // MN_GETHMENU

void ClickAt(POINT screen) {
    // Real input, as a user's click: menu tracking takes only that as a choice.
    SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Calls fn(thread id, start address) for every thread of this process.
template <typename Fn>
void ForEachThread(Fn fn) {
    typedef LONG(WINAPI * QueryThread)(HANDLE, int, PVOID, ULONG, PULONG);
    static QueryThread query =
        reinterpret_cast<QueryThread>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread"));
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (!query || snap == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread)
            continue;
        void* start = nullptr;
        const int kQuerySetWin32StartAddress = 9;
        if (query(thread, kQuerySetWin32StartAddress, &start, sizeof start, nullptr) == 0)
            fn(entry.th32ThreadID, start);
        CloseHandle(thread);
    }
    CloseHandle(snap);
}

}  // namespace

HWND PopupMenu() {
    std::vector<HWND> all = Popups();
    return all.empty() ? nullptr : all.front();
}

bool ChoosePopupItem(const std::string& path, std::string* error) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t gt = path.find('>', pos);
        parts.push_back(path.substr(pos, gt == std::string::npos ? std::string::npos : gt - pos));
        if (gt == std::string::npos)
            break;
        pos = gt + 1;
    }
    std::set<HWND> seen;
    for (size_t level = 0; level < parts.size(); ++level) {
        HWND window = nullptr;
        for (int tries = 0; tries < 100 && !window; ++tries) {
            for (HWND w : Popups()) {
                if (!seen.count(w))
                    window = w;
            }
            if (!window)
                Sleep(50);
        }
        if (!window) {
            *error = "no pop-up menu is open";
            return false;
        }
        seen.insert(window);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, kGetMenuOfWindow, 0, 0));
        int count = menu ? GetMenuItemCount(menu) : 0;
        int found = -1;
        for (int i = 0; i < count && found < 0; ++i) {
            if (SameText(ItemText(menu, i), parts[level]))
                found = i;
        }
        RECT rc;
        if (found < 0 || !GetMenuItemRect(window, menu, found, &rc)) {
            *error = "the pop-up menu has no item \"" + parts[level] + "\"";
            return false;
        }
        ClickAt(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    }
    return true;
}

std::string WindowText(HWND window) {
    char text[2048] = {};
    // WM_GETTEXT works across threads, unlike GetWindowText for controls of other threads.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

std::string ClassName(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> Dialogs() {
    std::vector<HWND> found;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND ActiveDialog() {
    std::vector<HWND> all = Dialogs();
    return all.empty() ? nullptr : all.front();
}

HWND NewDialog(const std::set<HWND>& before) {
    for (HWND d : Dialogs()) {
        if (!before.count(d))
            return d;
    }
    return nullptr;
}

bool IsMessageBox(HWND dialog) {
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text && ClassName(text) == "Static";
}

HWND FindControl(HWND dialog, int id) {
    ControlSearch search = {id, nullptr};
    EnumChildWindows(dialog, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> DescribeDialog(HWND dialog) {
    std::vector<std::string> lines;
    lines.push_back("dialog \"" + WindowText(dialog) + "\"" + (IsMessageBox(dialog) ? " (message box)" : ""));
    Describe d = {dialog, &lines};
    EnumChildWindows(dialog, DescribeControl, reinterpret_cast<LPARAM>(&d));
    return lines;
}

bool FindMenuItem(HMENU menu, const std::string& path, HMENU* owner, int* position) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t gt = path.find('>', pos);
        std::string part = path.substr(pos, gt == std::string::npos ? std::string::npos : gt - pos);
        while (!part.empty() && part.front() == ' ')
            part.erase(0, 1);
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        parts.push_back(part);
        if (gt == std::string::npos)
            break;
        pos = gt + 1;
    }
    return Search(menu, parts, 0, parts.size() == 1, owner, position);
}

void DescribeMenu(HMENU menu, int depth, std::vector<std::string>* lines) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        std::string line(2 + depth * 2, ' ');
        if (info.fType & MFT_SEPARATOR) {
            lines->push_back(line + "----");
            continue;
        }
        line += ItemText(menu, i);
        if (info.hSubMenu)
            line += " >";
        else
            line += " [" + std::to_string(info.wID) + "]";
        if (info.fState & MFS_GRAYED)
            line += " greyed";
        if (info.fState & MFS_CHECKED)
            line += " checked";
        lines->push_back(line);
        if (info.hSubMenu)
            DescribeMenu(info.hSubMenu, depth + 1, lines);
    }
}

std::vector<std::string> DescribeThreads() {
    std::vector<std::string> lines;
    ForEachThread([&lines](DWORD id, void* start) {
        HMODULE module = nullptr;
        char name[MAX_PATH] = "?";
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<LPCSTR>(start), &module))
            GetModuleFileNameA(module, name, MAX_PATH);
        std::string file = name;
        lines.push_back(std::to_string(id) + " " + file.substr(file.find_last_of('\\') + 1));
    });
    return lines;
}

int PluginThreadCount() {
    int count = 0;
    ForEachThread([&count](DWORD, void* start) {
        if (StandinHost::Instance().plugins.Owns(start))
            ++count;
    });
    return count;
}

bool SaveWindowBitmap(HWND window, const std::string& path, bool clientOnly) {
    RECT rc;
    GetWindowRect(window, &rc);
    // Without a window manager the frame of a dialog is not drawn: its client area is the picture.
    if (clientOnly) {
        GetClientRect(window, &rc);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    }
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    DWORD stride = ((width * 3 + 3) / 4) * 4;
    DWORD imageSize = stride * height;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + imageSize;
    bool ok = false;
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             fwrite(bits, imageSize, 1, f) == 1;
        ok = fclose(f) == 0 && ok;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace UiProbe
