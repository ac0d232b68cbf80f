#include "standin/ComposeWindow.h"

#include <algorithm>
#include <cstdio>

#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/StandinHost.h"
#include "standin/StandinIds.h"

namespace ComposeWindow {
namespace {

const char kClass[] = "StandinCompose";
const int kSendButton = 101;
std::vector<HWND> gOpen;  // UI thread only

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: {
            HINSTANCE instance = reinterpret_cast<CREATESTRUCTA*>(lp)->hInstance;
            HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
            HWND send = CreateWindowExA(0, "BUTTON", "&Send", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, 4, 80, 24, wnd,
                                        reinterpret_cast<HMENU>(kSendButton), instance, nullptr);
            HWND edit =
                CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 0,
                                32, 100, 100, wnd, reinterpret_cast<HMENU>(IDC_COMPOSE_EDIT), instance, nullptr);
            SendMessageA(send, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return 0;
        }
        case WM_SIZE:
            MoveWindow(GetDlgItem(wnd, IDC_COMPOSE_EDIT), 0, 32, LOWORD(lp), HIWORD(lp) - 32, TRUE);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == kSendButton)
                Send(wnd);
            return 0;
        case WM_DESTROY:
            gOpen.erase(std::remove(gOpen.begin(), gOpen.end(), wnd), gOpen.end());
            return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The sender of the current mailbox as its MailBox.ini names it: "Your Name <address>", the
// address alone without a name, empty without an address.
std::string AccountFrom(StandinHost& host) {
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    std::string box = host.currentMailBox;
    if (box.empty() && !host.store.MailBoxes().empty())
        box = host.store.MailBoxes().front();
    if (box.empty())
        return std::string();
    std::string ini = host.store.Path(box) + "MailBox.ini";
    char name[256] = "", address[256] = "";
    GetPrivateProfileStringA("Account", "YourName", "", name, sizeof name, ini.c_str());
    GetPrivateProfileStringA("Account", "MailAddress", "", address, sizeof address, ini.c_str());
    if (!*address)
        return std::string();
    return *name ? std::string(name) + " <" + address + ">" : std::string(address);
}

// Fields that every sent message carries; the user's text wins where it has them.
std::string Complete(const std::string& typed) {
    std::string text = messagetext::ToCrLf(typed);
    if (messagetext::HeaderBlockLength(text) == text.size() && text.find("\r\n\r\n") == std::string::npos)
        text += "\r\n";
    if (messagetext::GetHeader(text, "From").empty()) {
        std::string from = AccountFrom(StandinHost::Instance());
        if (!from.empty())
            text = messagetext::SetHeader(text, "From", from);
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char value[128];
    if (messagetext::GetHeader(text, "Date").empty()) {
        snprintf(value, sizeof value, "%s, %d %s %d %02d:%02d:%02d +0000", kDays[now.wDayOfWeek], now.wDay,
                 kMonths[now.wMonth - 1], now.wYear, now.wHour, now.wMinute, now.wSecond);
        text = messagetext::SetHeader(text, "Date", value);
    }
    if (messagetext::GetHeader(text, "Message-ID").empty()) {
        static unsigned counter = 0;
        snprintf(value, sizeof value, "<%04d%02d%02d%02d%02d%02d.%lu.%u@standin.invalid>", now.wYear, now.wMonth,
                 now.wDay, now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId(), ++counter);
        text = messagetext::SetHeader(text, "Message-ID", value);
    }
    if (messagetext::GetHeader(text, "MIME-Version").empty())
        text = messagetext::SetHeader(text, "MIME-Version", "1.0");
    if (messagetext::GetHeader(text, "Content-Type").empty())
        text = messagetext::SetHeader(text, "Content-Type", "text/plain; charset=GB2312");
    if (messagetext::GetHeader(text, "Content-Transfer-Encoding").empty())
        text = messagetext::SetHeader(text, "Content-Transfer-Encoding", "8bit");
    return text;
}

}  // namespace

void Register(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
}

HWND Open(HINSTANCE instance, const std::string& text) {
    static int offset = 0;
    offset = (offset + 24) % 200;
    HWND wnd = CreateWindowExA(0, kClass, "Compose", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120 + offset, 80 + offset, 640,
                               480, nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return nullptr;
    gOpen.push_back(wnd);
    SetText(wnd, text);
    return wnd;
}

bool IsCompose(HWND window) {
    return std::find(gOpen.begin(), gOpen.end(), window) != gOpen.end();
}

std::string GetText(HWND window) {
    HWND edit = GetDlgItem(window, IDC_COMPOSE_EDIT);
    int length = GetWindowTextLengthA(edit);
    std::string text(length + 1, '\0');
    GetWindowTextA(edit, &text[0], length + 1);
    text.resize(strlen(text.c_str()));
    return text;
}

void SetText(HWND window, const std::string& text) {
    SetWindowTextA(GetDlgItem(window, IDC_COMPOSE_EDIT), messagetext::ToCrLf(text).c_str());
}

int Send(HWND window) {
    StandinHost& host = StandinHost::Instance();
    std::string text = Complete(GetText(window));
    int result = host.plugins.Send(text);
    host.Log("send " + std::to_string(result));
    if (result == -1)
        return result;
    if (result == 0) {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::string box = host.currentMailBox;
        if (box.empty() && !host.store.MailBoxes().empty())
            box = host.store.MailBoxes().front();
        if (!box.empty() && host.store.CreateFolder(box + "!!!!Outbox\\"))
            host.log.push_back("outbox " + host.store.AppendMessage(box + "!!!!Outbox\\", text));
    }
    DestroyWindow(window);
    if (result == 0 && host.window)
        host.window->PopulateTree();
    return result;
}

std::vector<HWND> All() {
    return gOpen;
}

void CloseAll() {
    std::vector<HWND> open = gOpen;
    for (HWND w : open)
        DestroyWindow(w);
}

}  // namespace ComposeWindow
