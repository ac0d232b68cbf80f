// The host functions that plug-ins bind by name. Each executable that hosts plug-ins compiles
// this file and lists the names in its .def file, which exports them undecorated.
// Texts returned as const char* stay valid until the calling thread calls the same function
// again (one buffer per thread and function); texts returned as char* come from BKA_Alloc and
// are the caller's to release with BKA_Free.
#include <windows.h>

#include <cstring>
#include <string>

#include <type_traits>

#include "host/HostApi.h"
#include "standin/ComposeWindow.h"
#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/StandinHost.h"

#define BKA_EXPORT extern "C" __attribute__((used))

namespace {

StandinHost& Host() {
    StandinHost& host = StandinHost::Instance();
    host.NoteCall();
    return host;
}

char* HostCopy(const std::string& text) {
    char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, text.size() + 1));
    if (copy)
        memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void CopyOut(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0)
        return;
    size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

// The message that header calls without a mail identifier address: the one being opened or
// selected.
std::string CurrentSource(StandinHost& host) {
    std::string text;
    if (!host.currentMail.empty())
        host.store.ReadMessage(host.currentMail, &text);
    return text;
}

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

// Converts between the ANSI code page and another code page through UTF-16.
char* Recode(const char* in, UINT from, UINT to) {
    if (!in)
        return nullptr;
    int wide = MultiByteToWideChar(from, 0, in, -1, nullptr, 0);
    if (wide <= 0)
        return nullptr;
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(from, 0, in, -1, &w[0], wide);
    int bytes = WideCharToMultiByte(to, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return nullptr;
    std::string out(bytes, '\0');
    WideCharToMultiByte(to, 0, w.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(strlen(out.c_str()));
    return HostCopy(out);
}

char* Charset(const char* in, BOOL fromAnsi, UINT codePage) {
    return fromAnsi ? Recode(in, CP_ACP, codePage) : Recode(in, codePage, CP_ACP);
}

// The first step of every host function, on the caller's thread: the call is counted, an armed
// fault fires here (true: fail by the result), and a worker waits here until a marshalling host's window thread has
// handled what was queued before it. Memory functions are never marshalled.
bool EnterHostCall(const char* function) {
    StandinHost& host = StandinHost::Instance();
    host.CountCall(function);
    if (host.FaultHere(function))
        return true;
    static const char* const kUnmarshalled[] = {"BKA_Alloc", "BKA_ReAlloc", "BKA_Free", "BKA_GetVersion"};
    for (const char* name : kUnmarshalled) {
        if (strcmp(name, function) == 0)
            return false;
    }
    host.Marshal([] {});
    return false;
}

}  // namespace

#define HOST_ENTRY(failed)           \
    do {                             \
        if (EnterHostCall(__func__)) \
            return failed;           \
    } while (0)

BKA_EXPORT LPCSTR WINAPI BKA_GetVersion() {
    HOST_ENTRY(nullptr);
    return Host().version.c_str();
}

BKA_EXPORT int WINAPI BKA_Command(HWND, LPCSTR command) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    UINT id = command ? static_cast<UINT>(strtoul(command, nullptr, 10)) : 0;
    if (!id || !host.window)
        return 0;
    PostMessageA(host.window->hwnd, WM_COMMAND, id, 0);
    return 1;
}

BKA_EXPORT void WINAPI BKA_GetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    HOST_ENTRY();
    MainWindow* w = Host().window;
    if (main)
        *main = w ? w->hwnd : nullptr;
    if (tree)
        *tree = w ? w->tree : nullptr;
    if (list)
        *list = w ? w->list : nullptr;
    if (view)
        *view = w ? w->view : nullptr;
}

BKA_EXPORT int WINAPI BKA_RegisterCommand(LPCSTR comment, int target, BkaCommandProc command) {
    HOST_ENTRY(0);
    return static_cast<int>(Host().RegisterCommand(Text(comment), target, command));
}

BKA_EXPORT void WINAPI BKA_RegisterUICallback(int id, BkaUiProc ui) {
    HOST_ENTRY();
    Host().RegisterUi(static_cast<UINT>(id), ui);
}

BKA_EXPORT LPCSTR WINAPI BKA_GetDataFolder() {
    HOST_ENTRY(nullptr);
    return Host().store.Root().c_str();
}

BKA_EXPORT LPCSTR WINAPI BKA_GetTempFolder() {
    HOST_ENTRY(nullptr);
    return Host().tempFolder.c_str();
}

BKA_EXPORT LPSTR WINAPI BKA_GetTempFileName(LPSTR buffer) {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    char path[MAX_PATH];
    if (!buffer || !GetTempFileNameA(host.tempFolder.c_str(), "bk", 0, path))
        return nullptr;
    strcpy(buffer, path);
    return buffer;
}

BKA_EXPORT LPCSTR WINAPI BKA_GetCurrentMailBox() {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    static thread_local std::string copy;
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    copy = host.currentMailBox;
    return copy.c_str();
}

BKA_EXPORT LPCSTR WINAPI BKA_GetCurrentFolder() {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    static thread_local std::string copy;
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    copy = host.currentFolder;
    return copy.c_str();
}

BKA_EXPORT void WINAPI BKA_SetCurrentFolder(LPCSTR folderId) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::string id = Text(folderId);
    host.RunOnUi(
        [&host, id] {
            if (host.window->SelectFolder(id, false))
                host.window->RunInterpose(id);
        },
        true);
}

BKA_EXPORT void WINAPI BKA_SetCurrentMailBox(LPCSTR mailboxId) {
    HOST_ENTRY();
    BKA_SetCurrentFolder((Text(mailboxId) + "!!!!Inbox\\").c_str());
}

BKA_EXPORT LPCSTR WINAPI BKA_GetFolderDisplayName(LPCSTR folderId) {
    HOST_ENTRY(nullptr);
    Host();
    static thread_local std::string copy;
    copy = MailStore::LastSegment(Text(folderId));
    if (copy == "!!!!Inbox")
        copy = "Inbox";
    return copy.c_str();
}

BKA_EXPORT void WINAPI BKA_SetMessageText(HWND, LPCSTR text) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::string copy = Text(text);
    host.Log("message " + copy);
    // Queued, so that a worker never waits for the UI thread just to show a text.
    host.RunOnUi([&host, copy] { host.window->SetStatusText(0, copy); }, false);
}

BKA_EXPORT LPCSTR WINAPI BKA_GetCurrentMail() {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    static thread_local std::string copy;
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    copy = host.currentMail;
    return copy.c_str();
}

BKA_EXPORT void WINAPI BKA_SetCurrentMail(LPCSTR mailId) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::string id = Text(mailId);
    host.RunOnUi([&host, id] { host.window->SelectMail(id, false); }, true);
}

BKA_EXPORT int WINAPI BKA_GetNextMail(int start, LPSTR buffer, int size, BOOL selectedOnly) {
    HOST_ENTRY(-1);
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    int count = static_cast<int>(host.folderMails.size());
    for (int i = start < 0 ? 0 : start + 1; i < count; ++i) {
        if (selectedOnly && !host.selected.count(host.folderMails[i]))
            continue;
        CopyOut(host.folderMails[i], buffer, size);
        return i;
    }
    CopyOut(std::string(), buffer, size);
    return -1;
}

BKA_EXPORT void WINAPI BKA_SetSel(LPCSTR mailId, BOOL select) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::string id = Text(mailId);
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (select)
            host.selected.insert(id);
        else
            host.selected.erase(id);
    }
    host.RunOnUi([&host] { host.window->RefreshList(); }, false);
}

BKA_EXPORT int WINAPI BKA_AppendMessage(LPCSTR folderId, LPCSTR text) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    std::string id;
    bool shown = false;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        id = host.store.AppendMessage(Text(folderId), messagetext::ToCrLf(Text(text)));
        shown = Text(folderId) == host.currentFolder;
        host.Log("append " + Text(folderId));
    }
    if (shown)
        host.RunOnUi([&host] { host.window->RefreshList(); }, false);
    return id.empty() ? 0 : 1;
}

BKA_EXPORT int WINAPI BKA_MoveSelectedMessages(LPCSTR folderId, BOOL copy) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    int moved = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::string target = Text(folderId);
        if (!host.store.FolderExists(target))
            return 0;
        for (const std::string& id : host.selected) {
            std::string text;
            if (!host.store.ReadMessage(id, &text))
                continue;
            std::string added = host.store.AppendMessage(target, text);
            if (added.empty())
                continue;
            host.store.SetStatus(added, host.store.GetStatus(id), 0);
            if (!copy)
                DeleteFileA(host.store.Path(id).c_str());
            ++moved;
        }
        if (!copy)
            host.selected.clear();
    }
    host.RunOnUi([&host] { host.window->RefreshList(); }, false);
    return moved;
}

BKA_EXPORT DWORD WINAPI BKA_GetStatus(LPCSTR mailId) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    return host.store.GetStatus(Text(mailId));
}

BKA_EXPORT void WINAPI BKA_SetStatus(LPCSTR mailId, DWORD set, DWORD clear) {
    HOST_ENTRY();
    StandinHost& host = Host();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.store.SetStatus(Text(mailId), set, clear);
    }
    host.RunOnUi([&host] { host.window->RefreshList(); }, false);
}

BKA_EXPORT HWND WINAPI BKA_ComposeMail(LPCSTR url) {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    std::string to = Text(url);
    if (_strnicmp(to.c_str(), "mailto:", 7) == 0)
        to = to.substr(7);
    HWND compose = nullptr;
    host.RunOnUi([&] { compose = host.window->OpenCompose(0, to); }, true);
    return compose;
}

BKA_EXPORT int WINAPI BKA_GetCharSet(LPCSTR mailId, LPSTR buffer, int size) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    std::string text;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.store.ReadMessage(Text(mailId), &text);
    }
    std::string type = messagetext::GetHeader(text, "Content-Type");
    size_t at = type.find("charset=");
    std::string charset = at == std::string::npos ? "us-ascii" : type.substr(at + 8);
    if (!charset.empty() && charset[0] == '"')
        charset = charset.substr(1, charset.find('"', 1) - 1);
    CopyOut(charset.substr(0, charset.find(';')), buffer, size);
    return static_cast<int>(strlen(buffer ? buffer : ""));
}

BKA_EXPORT LPSTR WINAPI BKA_GetSource(LPCSTR mailId) {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    std::string id = Text(mailId);
    if (id == "TEMP")
        return host.displayedMail.empty() ? nullptr : HostCopy(host.displayedText);
    std::string text;
    if (!host.store.ReadMessage(id, &text))
        return nullptr;
    return HostCopy(text);
}

BKA_EXPORT void WINAPI BKA_SetSource(LPCSTR mailId, LPCSTR text) {
    HOST_ENTRY();
    StandinHost& host = Host();
    // A marshalling host stores the source on its window thread, the caller waiting.
    host.Marshal([&] {
        std::string id = Text(mailId);
        bool display = false;
        {
            std::lock_guard<std::recursive_mutex> lock(host.mutex);
            // The log tells a display of TEMP from a stored source.
            host.Log("setsource " + id);
            if (id == "TEMP") {
                host.displayedText = Text(text);
                display = true;
            } else if (host.store.WriteMessage(id, messagetext::ToCrLf(Text(text)))) {
                if (id == host.displayedMail) {
                    host.displayedText = messagetext::ToCrLf(Text(text));
                    display = true;
                }
            }
        }
        host.RunOnUi(
            [&host, display] {
                if (display)
                    host.window->ShowDisplayed();
                host.window->RefreshList();
            },
            false);
    });
}

BKA_EXPORT LPSTR WINAPI BKA_GetHeader(LPCSTR mailId) {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    std::string text;
    if (!host.store.ReadMessage(Text(mailId), &text))
        return nullptr;
    return HostCopy(text.substr(0, messagetext::HeaderBlockLength(text)));
}

BKA_EXPORT LPSTR WINAPI BKA_GetText(LPSTR mimeType, int size) {
    HOST_ENTRY(nullptr);
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    const std::string& text = host.displayedText;
    CopyOut("text/plain", mimeType, size);
    return HostCopy(text.substr(messagetext::HeaderBlockLength(text)));
}

BKA_EXPORT int WINAPI BKA_SetText(int, LPCSTR text) {
    HOST_ENTRY(0);
    StandinHost& host = Host();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        const std::string& shown = host.displayedText;
        host.displayedText = shown.substr(0, messagetext::HeaderBlockLength(shown)) + Text(text);
    }
    host.RunOnUi([&host] { host.window->ShowDisplayed(); }, false);
    return 1;
}

BKA_EXPORT void WINAPI BKA_GetSpecifiedHeader(LPCSTR name, LPSTR buffer, int size) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    CopyOut(messagetext::GetHeader(CurrentSource(host), Text(name)), buffer, size);
}

BKA_EXPORT void WINAPI BKA_SetSpecifiedHeader(LPCSTR name, LPCSTR value) {
    HOST_ENTRY();
    StandinHost& host = Host();
    std::lock_guard<std::recursive_mutex> lock(host.mutex);
    if (host.currentMail.empty())
        return;
    std::string text = messagetext::SetHeader(CurrentSource(host), Text(name), Text(value));
    host.store.WriteMessage(host.currentMail, text);
    if (host.displayedMail == host.currentMail)
        host.displayedText = messagetext::SetHeader(host.displayedText, Text(name), Text(value));
}

// Compose functions run on the UI thread, where the compose windows live.
#define ON_COMPOSE(body)                            \
    StandinHost& host = Host();                     \
    host.RunOnUi(                                   \
        [&] {                                       \
            if (ComposeWindow::IsCompose(window)) { \
                body;                               \
            }                                       \
        },                                          \
        true)

BKA_EXPORT int WINAPI BKA_CompGetCharSet(HWND window, LPSTR buffer, int size) {
    HOST_ENTRY(0);
    CopyOut("GB2312", buffer, size);
    return ComposeWindow::IsCompose(window) ? 6 : 0;
}

BKA_EXPORT LPSTR WINAPI BKA_CompGetSource(HWND window) {
    HOST_ENTRY(nullptr);
    LPSTR result = nullptr;
    ON_COMPOSE(result = HostCopy(messagetext::ToCrLf(ComposeWindow::GetText(window))));
    return result;
}

BKA_EXPORT void WINAPI BKA_CompSetSource(HWND window, LPCSTR text) {
    HOST_ENTRY();
    std::string copy = Text(text);
    ON_COMPOSE(ComposeWindow::SetText(window, copy));
}

BKA_EXPORT LPSTR WINAPI BKA_CompGetHeader(HWND window) {
    HOST_ENTRY(nullptr);
    LPSTR result = nullptr;
    ON_COMPOSE(std::string t = messagetext::ToCrLf(ComposeWindow::GetText(window));
               result = HostCopy(t.substr(0, messagetext::HeaderBlockLength(t))));
    return result;
}

BKA_EXPORT void WINAPI BKA_CompGetSpecifiedHeader(HWND window, LPCSTR name, LPSTR buffer, int size) {
    HOST_ENTRY();
    std::string value;
    ON_COMPOSE(value = messagetext::GetHeader(messagetext::ToCrLf(ComposeWindow::GetText(window)), Text(name)));
    CopyOut(value, buffer, size);
}

BKA_EXPORT void WINAPI BKA_CompSetSpecifiedHeader(HWND window, LPCSTR name, LPCSTR value) {
    HOST_ENTRY();
    std::string n = Text(name), v = Text(value);
    ON_COMPOSE(ComposeWindow::SetText(
        window, messagetext::SetHeader(messagetext::ToCrLf(ComposeWindow::GetText(window)), n, v)));
}

BKA_EXPORT LPSTR WINAPI BKA_CompGetText(HWND window, LPSTR mimeType, int size) {
    HOST_ENTRY(nullptr);
    LPSTR result = nullptr;
    CopyOut("text/plain", mimeType, size);
    ON_COMPOSE(std::string t = messagetext::ToCrLf(ComposeWindow::GetText(window));
               result = HostCopy(t.substr(messagetext::HeaderBlockLength(t))));
    return result;
}

BKA_EXPORT void WINAPI BKA_CompSetText(HWND window, int, LPCSTR text) {
    HOST_ENTRY();
    std::string body = Text(text);
    ON_COMPOSE(std::string t = messagetext::ToCrLf(ComposeWindow::GetText(window));
               ComposeWindow::SetText(window, t.substr(0, messagetext::HeaderBlockLength(t)) + body));
}

BKA_EXPORT void WINAPI BKA_CompAttachFile(HWND window, LPCSTR path, LPCSTR) {
    HOST_ENTRY();
    std::string file = Text(path);
    ON_COMPOSE(ComposeWindow::SetText(
        window, messagetext::SetHeader(messagetext::ToCrLf(ComposeWindow::GetText(window)), "X-Attach", file)));
}

BKA_EXPORT LPVOID WINAPI BKA_Alloc(int size) {
    HOST_ENTRY(nullptr);
    return size < 0 ? nullptr : HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

BKA_EXPORT LPVOID WINAPI BKA_ReAlloc(LPVOID block, DWORD size) {
    HOST_ENTRY(nullptr);
    if (!block)
        return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    return HeapReAlloc(GetProcessHeap(), 0, block, size ? size : 1);
}

BKA_EXPORT void WINAPI BKA_Free(LPVOID block) {
    HOST_ENTRY();
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

BKA_EXPORT LPSTR WINAPI BKA_ISO_2022_JP(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, 50220);
}

BKA_EXPORT LPSTR WINAPI BKA_ISO_2022_KR(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, 50225);
}

BKA_EXPORT LPSTR WINAPI BKA_HZ_GB2312(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, 52936);
}

BKA_EXPORT LPSTR WINAPI BKA_ISO_8859_2(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, 28592);
}

BKA_EXPORT LPSTR WINAPI BKA_EUC_JP(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, 20932);
}

BKA_EXPORT LPSTR WINAPI BKA_UTF_7(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, CP_UTF7);
}

BKA_EXPORT LPSTR WINAPI BKA_UTF_8(LPCSTR in, BOOL fromAnsi) {
    HOST_ENTRY(nullptr);
    return Charset(in, fromAnsi, CP_UTF8);
}

// The encoders below are part of the table that plug-ins bind but never call; they report
// "not supported" (null) rather than produce a wrong result.
BKA_EXPORT LPSTR WINAPI BKA_B64Convert(LPSTR, LPCSTR, int, BOOL) {
    HOST_ENTRY(nullptr);
    return nullptr;
}

BKA_EXPORT LPSTR WINAPI BKA_QPConvert(LPSTR, LPCSTR, int, BOOL) {
    HOST_ENTRY(nullptr);
    return nullptr;
}

BKA_EXPORT LPSTR WINAPI BKA_MIMEHeader(LPSTR, LPCSTR, LPCSTR, int, BOOL) {
    HOST_ENTRY(nullptr);
    return nullptr;
}

BKA_EXPORT LPSTR WINAPI BKA_SerializeRcpts(LPCSTR) {
    HOST_ENTRY(nullptr);
    return nullptr;
}

BKA_EXPORT BOOL WINAPI BKA_Connect(BOOL) {
    HOST_ENTRY(0);
    return FALSE;
}

BKA_EXPORT BOOL WINAPI BKA_NextUnread(int, int) {
    HOST_ENTRY(0);
    return FALSE;
}

// The plug-ins call through the types of their host table; every function they use must have
// exactly that type here (the others are opaque to them).
template <typename Expected, typename Actual>
constexpr bool kMatchesTable = std::is_same<Expected, BkaUnusedProc>::value || std::is_same<Expected, Actual>::value;
#define RP_CHECK_EXPORT(name, type) static_assert(kMatchesTable<type, decltype(&name)>, #name " differs");
RP_HOST_FUNCTIONS(RP_CHECK_EXPORT)
#undef RP_CHECK_EXPORT
