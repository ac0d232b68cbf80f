// StandinProbe.dll: a small plug-in that exercises the stand-in host the way the real plug-ins
// do (menu items with UI states, host commands, compose headers, send results, a worker thread
// calling back into the host) and writes what it saw to "StandinProbe.log" in the data folder.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

typedef LPCSTR(WINAPI* GetTextFn)();
typedef void(WINAPI* GetWindowHandlesFn)(HWND*, HWND*, HWND*, HWND*);
typedef int(WINAPI* RegisterCommandFn)(LPCSTR, int, void(WINAPI*)(HWND, LPARAM));
typedef void(WINAPI* RegisterUiFn)(int, int(WINAPI*)(HWND, LPARAM));
typedef void(WINAPI* SetMessageTextFn)(HWND, LPCSTR);
typedef int(WINAPI* GetNextMailFn)(int, LPSTR, int, BOOL);
typedef int(WINAPI* AppendMessageFn)(LPCSTR, LPCSTR);
typedef void(WINAPI* GetSpecifiedHeaderFn)(LPCSTR, LPSTR, int);
typedef void(WINAPI* CompSetSpecifiedHeaderFn)(HWND, LPCSTR, LPCSTR);
typedef void(WINAPI* SetSourceFn)(LPCSTR, LPCSTR);

GetTextFn gGetCurrentFolder;
GetTextFn gGetCurrentMailBox;
GetWindowHandlesFn gGetWindowHandles;
RegisterCommandFn gRegisterCommand;
RegisterUiFn gRegisterUi;
SetMessageTextFn gSetMessageText;
GetNextMailFn gGetNextMail;
AppendMessageFn gAppendMessage;
GetSpecifiedHeaderFn gGetSpecifiedHeader;
CompSetSpecifiedHeaderFn gCompSetSpecifiedHeader;
SetSourceFn gSetSource;

std::string gDataFolder, gLogPath;
HWND gMain;
bool gToggle;

void Log(const std::string& line) {
    FILE* f = fopen(gLogPath.c_str(), "ab");
    if (f) {
        fprintf(f, "%s\r\n", line.c_str());
        fclose(f);
    }
}

template <typename F>
bool Bind(HMODULE host, const char* name, F* fn) {
    *fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(host, name)));
    return *fn != nullptr;
}

int WINAPI ToggleUi(HWND, LPARAM) {
    return gToggle ? 2 : 0;
}

int WINAPI GreyedUi(HWND, LPARAM) {
    return 1;
}

int WINAPI TwoSelectedUi(HWND, LPARAM) {
    char id[256];
    int count = 0;
    for (int i = gGetNextMail(-1, id, sizeof id, TRUE); i >= 0; i = gGetNextMail(i, id, sizeof id, TRUE))
        ++count;
    return count >= 2 ? 0 : 1;
}

void WINAPI OnToggle(HWND, LPARAM) {
    gToggle = !gToggle;
    Log(std::string("toggle ") + (gToggle ? "1" : "0"));
}

void WINAPI OnNothing(HWND, LPARAM) {
    Log("command");
}

// Creates a subfolder the way a plug-in has to: the host's new-folder command, then the name
// typed into the editor that has the focus, committed by moving the focus away.
void WINAPI OnNewFolder(HWND, LPARAM) {
    HWND main, tree, list, view;
    gGetWindowHandles(&main, &tree, &list, &view);
    SetFocus(tree);
    SendMessageA(main, WM_COMMAND, 32804, 0);
    HWND editor = GetFocus();
    char cls[32] = {};
    GetClassNameA(editor, cls, sizeof cls);
    SetWindowTextA(editor, "probe.group");
    SetFocus(main);
    Log(std::string("editor ") + cls);
    Log(std::string("new folder ") + gGetCurrentFolder());
}

DWORD WINAPI Worker(void* folder) {
    std::string* id = static_cast<std::string*>(folder);
    Sleep(800);
    gAppendMessage(id->c_str(), "From: worker@probe\r\nSubject: From the worker\r\n\r\nDone.\r\n");
    gSetMessageText(nullptr, "probe worker done");
    delete id;
    return 0;
}

void WINAPI OnStartWorker(HWND, LPARAM) {
    HANDLE thread = CreateThread(nullptr, 0, Worker, new std::string(gGetCurrentFolder()), 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

// Reads the overview of fake.test from port 119 of the address that the scenario wrote into
// ProbeNews.txt in the data folder, stores the reply as a message of the folder and shows it as
// TEMP: a plug-in's use of the scripted news server, seen from the host.
DWORD WINAPI NewsWorker(void* folder) {
    std::unique_ptr<std::string> id(static_cast<std::string*>(folder));
    char address[64] = {};
    if (FILE* f = fopen((gDataFolder + "ProbeNews.txt").c_str(), "rb")) {
        fgets(address, sizeof address, f);
        fclose(f);
    }
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    const char request[] = "GROUP fake.test\r\nXOVER 1-5\r\n";
    std::string reply;
    // CI has twice seen this exchange come back empty while the server and its control channel
    // answered: each failed attempt is logged with its step and error, and tried again.
    for (int attempt = 0; attempt < 3 && reply.find("\r\n.\r\n") == std::string::npos; ++attempt) {
        if (attempt > 0)
            Sleep(500);
        reply.clear();
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(119);
        to.sin_addr.s_addr = inet_addr(address);
        DWORD timeoutMs = 10000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
        const char* step = "connect";
        if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
            step = "send";
            if (send(s, request, sizeof request - 1, 0) > 0) {
                step = "recv";
                char piece[4096];
                int n;
                while (reply.find("\r\n.\r\n") == std::string::npos && (n = recv(s, piece, sizeof piece, 0)) > 0)
                    reply.append(piece, n);
            }
        }
        if (reply.find("\r\n.\r\n") == std::string::npos)
            Log(std::string("probe news: ") + step + " to " + address + " failed, error " +
                std::to_string(WSAGetLastError()) + ", " + std::to_string(reply.size()) + " bytes");
        closesocket(s);
    }
    WSACleanup();
    std::string message = "From: news@probe\r\nSubject: Probe News\r\n\r\n" + reply;
    gAppendMessage(id->c_str(), message.c_str());
    gSetSource("TEMP", message.c_str());
    return 0;
}

void WINAPI OnStartNews(HWND, LPARAM) {
    HANDLE thread = CreateThread(nullptr, 0, NewsWorker, new std::string(gGetCurrentFolder()), 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

// Answers the host's dialogs the way a plug-in must: a CBT hook subclasses each dialog as it is
// created and presses its buttons once it is shown.
HHOOK gHook;
int gDialogs;
HWND gLastEdit;
WNDPROC gPrevious[2];
bool gNewMailBox;

LRESULT CALLBACK AnswerProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, int n) {
    LRESULT result = CallWindowProcA(gPrevious[n], dialog, msg, wp, lp);
    if (msg == WM_INITDIALOG && gNewMailBox && n == 0 && gLastEdit)
        SetWindowTextA(gLastEdit, "probebox");
    if (msg == WM_SHOWWINDOW && wp) {
        if (!gNewMailBox) {
            SendMessageA(dialog, WM_COMMAND, 6, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 6)));
        } else if (n == 0) {
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else {
            HWND child = FindWindowExA(dialog, nullptr, "#32770", nullptr);
            HWND page = child ? GetWindow(child, GW_CHILD) : nullptr;
            SetDlgItemTextA(page, 1014, "Probe User");
            SetDlgItemTextA(page, 1015, "probe@example.com");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
    }
    return result;
}

LRESULT CALLBACK FirstDialogProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    return AnswerProc(d, m, w, l, 0);
}

LRESULT CALLBACK SecondDialogProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    return AnswerProc(d, m, w, l, 1);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        HWND window = reinterpret_cast<HWND>(wp);
        char cls[82] = {};
        GetClassNameA(window, cls, 81);
        if (!strcmp(cls, "#32770") && gDialogs < 2) {
            WNDPROC proc = gDialogs == 0 ? FirstDialogProc : SecondDialogProc;
            gPrevious[gDialogs++] =
                reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
        } else if (!_stricmp(cls, "Edit") && gDialogs == 1) {
            gLastEdit = window;
        }
    }
    return CallNextHookEx(gHook, code, wp, lp);
}

void DriveHost(UINT command, bool newMailBox) {
    gDialogs = 0;
    gLastEdit = nullptr;
    gNewMailBox = newMailBox;
    gHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    SendMessageA(gMain, WM_COMMAND, command, 0);
    UnhookWindowsHookEx(gHook);
}

HMENU BuildPopup() {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "Alpha");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING | MF_GRAYED, 2, "Greyed");
    AppendMenuA(popup, MF_STRING, 3, "Beta");
    HMENU more = CreatePopupMenu();
    AppendMenuA(more, MF_STRING, 4, "Gamma");
    AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "More");
    return popup;
}

int ShowPopup(HWND owner) {
    HMENU popup = BuildPopup();
    POINT pt;
    GetCursorPos(&pt);
    int id = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
    DestroyMenu(popup);
    return id;
}

void WINAPI OnPopup(HWND, LPARAM) {
    Log("popup " + std::to_string(ShowPopup(gMain)));
}

// A status-bar hook like the news plug-in's: a right click inside part 1 shows a pop-up menu,
// anywhere else it is swallowed.
WNDPROC gStatusProc;

LRESULT CALLBACK StatusProc(HWND bar, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_RBUTTONDOWN)
        return CallWindowProcA(gStatusProc, bar, msg, wp, lp);
    RECT part;
    SendMessageA(bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&part), 2);
    POINT cursor;
    GetCursorPos(&cursor);
    if (!PtInRect(&part, cursor)) {
        Log("status click outside");
        return 0;
    }
    Log("status popup " + std::to_string(ShowPopup(GetFocus())));
    return 0;
}

void WINAPI OnDeleteFolder(HWND, LPARAM) {
    std::string before = gGetCurrentFolder();
    DriveHost(32803, false);
    Log("deleted " + before + " now " + gGetCurrentFolder());
}

void WINAPI OnNewMailBox(HWND, LPARAM) {
    DriveHost(42787, true);
    Log(std::string("mailbox ") + gGetCurrentMailBox());
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    HMODULE host = GetModuleHandleA(nullptr);
    bool ok =
        Bind(host, "BKA_GetCurrentFolder", &gGetCurrentFolder) &&
        Bind(host, "BKA_GetCurrentMailBox", &gGetCurrentMailBox) &&
        Bind(host, "BKA_GetWindowHandles", &gGetWindowHandles) &&
        Bind(host, "BKA_RegisterCommand", &gRegisterCommand) && Bind(host, "BKA_RegisterUICallback", &gRegisterUi) &&
        Bind(host, "BKA_SetMessageText", &gSetMessageText) && Bind(host, "BKA_GetNextMail", &gGetNextMail) &&
        Bind(host, "BKA_AppendMessage", &gAppendMessage) &&
        Bind(host, "BKA_GetSpecifiedHeader", &gGetSpecifiedHeader) &&
        Bind(host, "BKA_CompSetSpecifiedHeader", &gCompSetSpecifiedHeader) && Bind(host, "BKA_SetSource", &gSetSource);
    // The log lives in the host's data folder, which a scenario starts afresh.
    GetTextFn dataFolder = nullptr;
    if (Bind(host, "BKA_GetDataFolder", &dataFolder)) {
        gDataFolder = dataFolder();
        gLogPath = gDataFolder + "StandinProbe.log";
    }
    Log(ok ? "load" : "load failed");
    return ok;
}

extern "C" int WINAPI BKC_OnStart() {
    Log("start");
    HWND status = FindWindowExA(gMain, nullptr, "msctls_statusbar32", nullptr);
    if (status)
        gStatusProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusProc)));
    return 0;
}

extern "C" int WINAPI BKC_OnExit() {
    Log("exit");
    return 0;
}

extern "C" int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int type) {
    Log("menuinit " + std::to_string(type) +
        (GetCurrentThreadId() == GetWindowThreadProcessId(window, nullptr) ? " ui" : " other"));
    if (type == 0) {
        gMain = window;
        HMENU tools = GetSubMenu(menu, 4);
        AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
        int id = gRegisterCommand("Probe Toggle", 0, OnToggle);
        AppendMenuA(tools, MF_STRING, id, "Probe &Toggle");
        gRegisterUi(id, ToggleUi);
        id = gRegisterCommand("Probe Greyed", 0, OnNothing);
        AppendMenuA(tools, MF_STRING, id, "Probe &Greyed");
        gRegisterUi(id, GreyedUi);
        id = gRegisterCommand("Probe New Folder", 0, OnNewFolder);
        AppendMenuA(tools, MF_STRING, id, "Probe &New Folder");
        id = gRegisterCommand("Probe Worker", 0, OnStartWorker);
        AppendMenuA(tools, MF_STRING, id, "Probe &Worker");
        id = gRegisterCommand("Probe News", 0, OnStartNews);
        AppendMenuA(tools, MF_STRING, id, "Probe N&ews");
        id = gRegisterCommand("Probe Popup", 0, OnPopup);
        AppendMenuA(tools, MF_STRING, id, "Probe &Popup");
        id = gRegisterCommand("Probe Delete Folder", 0, OnDeleteFolder);
        AppendMenuA(tools, MF_STRING, id, "Probe &Delete Folder");
        id = gRegisterCommand("Probe New Mailbox", 0, OnNewMailBox);
        AppendMenuA(tools, MF_STRING, id, "Probe New &Mailbox");
    } else if (type == 1) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        int id = gRegisterCommand("Probe Two Selected", 1, OnNothing);
        AppendMenuA(menu, MF_STRING, id, "Probe Two &Selected");
        gRegisterUi(id, TwoSelectedUi);
    } else if (type == 2) {
        HMENU sub = CreatePopupMenu();
        int id = gRegisterCommand("Probe Folder Item", 2, OnNothing);
        AppendMenuA(sub, MF_STRING, id, "Probe Folder Item");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Probe");
    }
    return 0;
}

extern "C" int WINAPI BKC_OnOpenFolder(LPCSTR folder) {
    Log(std::string("open folder ") + folder);
    return 0;
}

extern "C" int WINAPI BKC_OnOpenMail(LPCSTR mail) {
    char subject[256];
    gGetSpecifiedHeader("Subject", subject, sizeof subject);
    Log(std::string("open mail ") + mail + " \"" + subject + "\"");
    gSetSource("TEMP",
               (std::string("X-Probe: seen\r\nSubject: ") + subject + "\r\n\r\nShown by the probe.\r\n").c_str());
    return 0;
}

extern "C" int WINAPI BKC_OnEveryMinute() {
    return 0;
}

extern "C" int WINAPI BKC_OnOpenCompose(HWND compose, int mode) {
    Log("open compose " + std::to_string(mode));
    gCompSetSpecifiedHeader(compose, "X-Probe-Mode", std::to_string(mode).c_str());
    return 0;
}

extern "C" int WINAPI BKC_OnOutgoing(HWND, int) {
    return 0;
}

extern "C" int WINAPI BKC_OnKeyDispatch(HWND, int, int) {
    return 0;
}

extern "C" int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) {
    return 0;
}

extern "C" int WINAPI BKC_OnSend(LPCSTR text) {
    std::string message = text;
    int result = 0;
    if (message.find("X-Probe-Send: -1") != std::string::npos)
        result = -1;
    else if (message.find("X-Probe-Send: -2") != std::string::npos)
        result = -2;
    Log("send " + std::to_string(result) +
        (message.find("X-Probe-Mode: 0") != std::string::npos ? " with mode header" : " without mode header"));
    return result;
}

// Deliberately declared with one argument too many: the host must notice that it removes eight
// bytes where four were pushed, and survive it.
extern "C" int WINAPI BKC_OnFinishRetrieve(int, int) {
    return 0;
}

extern "C" int WINAPI BKC_OnPlugInSetup(HWND parent) {
    MessageBoxA(parent, "Nothing to set up.", "Standin Probe", MB_OK);
    return 1;
}

extern "C" int WINAPI BKC_OnPlugInInfo(LPVOID info) {
    char* record = static_cast<char*>(info);
    strcpy(record, "Standin Probe");
    strcpy(record + 80, "Rillpost team");
    strcpy(record + 160, "1.0");
    strcpy(record + 240, "Exercises the stand-in host");
    return 0;
}
