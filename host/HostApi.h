// The host mail client's functions as the plug-ins see them: one pointer per exported BKA_
// function, bound by name from the host executable when a plug-in library initializes.
//
// Every host function uses the Windows standard calling convention (callee removes the
// arguments). Texts are 8-bit, NUL-terminated, in the host's ANSI code page. Texts returned by
// BKA_GetSource and BKA_GetHeader belong to the host's allocator and go back with BKA_Free;
// texts handed to the host are copied by it.
#pragma once

#include <windows.h>

#include <string>

// Command and UI callbacks handed to BKA_RegisterCommand / BKA_RegisterUICallback. The host
// calls them on its user-interface thread with (window handle, parameter); the plug-ins ignore
// both. A UI callback answers 0 = enabled, 1 = greyed, 2 = checked.
typedef void(WINAPI* BkaCommandProc)(HWND window, LPARAM param);
typedef int(WINAPI* BkaUiProc)(HWND window, LPARAM param);

// Targets of BKA_RegisterCommand.
enum BkaCommandTarget { kTargetMainWindow = 0, kTargetMessageList = 1, kTargetFolderTree = 2 };

// Status bit of BKA_GetStatus / BKA_SetStatus: the message has been read.
const int kBkaStatusRead = 1;

// Functions that the plug-ins never call are bound only so that a host lacking them is refused;
// their arguments are the host's business, so they carry this opaque type.
typedef int(WINAPI* BkaUnusedProc)();

// X(name, function type) in binding order. The order is part of the interface: Bind looks the
// names up in exactly this order, and a host missing a required one is refused at that point.
#define RP_HOST_FUNCTIONS(X)                                                                                     \
    X(BKA_GetVersion, LPCSTR(WINAPI*)())                                                                         \
    X(BKA_Command, BkaUnusedProc)                                                                                \
    X(BKA_GetWindowHandles, void(WINAPI*)(HWND * mainWnd, HWND * treeView, HWND * listView, HWND * messageView)) \
    X(BKA_RegisterCommand, int(WINAPI*)(LPCSTR comment, int target, BkaCommandProc command))                     \
    X(BKA_RegisterUICallback, void(WINAPI*)(int commandId, BkaUiProc callback))                                  \
    X(BKA_GetDataFolder, LPCSTR(WINAPI*)())                                                                      \
    X(BKA_GetTempFolder, LPCSTR(WINAPI*)())                                                                      \
    X(BKA_GetTempFileName, BkaUnusedProc)                                                                        \
    X(BKA_GetCurrentMailBox, LPCSTR(WINAPI*)())                                                                  \
    X(BKA_SetCurrentMailBox, BkaUnusedProc)                                                                      \
    X(BKA_GetCurrentFolder, LPCSTR(WINAPI*)())                                                                   \
    X(BKA_SetCurrentFolder, void(WINAPI*)(LPCSTR folderId))                                                      \
    X(BKA_GetFolderDisplayName, BkaUnusedProc)                                                                   \
    X(BKA_SetMessageText, void(WINAPI*)(HWND window, LPCSTR text))                                               \
    X(BKA_GetCurrentMail, LPCSTR(WINAPI*)())                                                                     \
    X(BKA_SetCurrentMail, void(WINAPI*)(LPCSTR mailId))                                                          \
    X(BKA_GetNextMail, int(WINAPI*)(int start, LPSTR mailId, int size, BOOL selectedOnly))                       \
    X(BKA_SetSel, BkaUnusedProc)                                                                                 \
    X(BKA_AppendMessage, int(WINAPI*)(LPCSTR folderId, LPCSTR message))                                          \
    X(BKA_MoveSelectedMessages, BkaUnusedProc)                                                                   \
    X(BKA_GetStatus, DWORD(WINAPI*)(LPCSTR mailId))                                                              \
    X(BKA_SetStatus, void(WINAPI*)(LPCSTR mailId, DWORD set, DWORD reset))                                       \
    X(BKA_ComposeMail, HWND(WINAPI*)(LPCSTR url))                                                                \
    X(BKA_GetCharSet, BkaUnusedProc)                                                                             \
    X(BKA_GetSource, LPSTR(WINAPI*)(LPCSTR mailId))                                                              \
    X(BKA_SetSource, void(WINAPI*)(LPCSTR mailId, LPCSTR source))                                                \
    X(BKA_GetHeader, LPSTR(WINAPI*)(LPCSTR mailId))                                                              \
    X(BKA_GetText, BkaUnusedProc)                                                                                \
    X(BKA_SetText, BkaUnusedProc)                                                                                \
    X(BKA_GetSpecifiedHeader, void(WINAPI*)(LPCSTR header, LPSTR value, int size))                               \
    X(BKA_SetSpecifiedHeader, void(WINAPI*)(LPCSTR header, LPCSTR value))                                        \
    X(BKA_CompGetCharSet, BkaUnusedProc)                                                                         \
    X(BKA_CompGetSource, BkaUnusedProc)                                                                          \
    X(BKA_CompSetSource, void(WINAPI*)(HWND compose, LPCSTR text))                                               \
    X(BKA_CompGetHeader, BkaUnusedProc)                                                                          \
    X(BKA_CompGetSpecifiedHeader, BkaUnusedProc)                                                                 \
    X(BKA_CompSetSpecifiedHeader, void(WINAPI*)(HWND compose, LPCSTR header, LPCSTR value))                      \
    X(BKA_CompGetText, BkaUnusedProc)                                                                            \
    X(BKA_CompSetText, BkaUnusedProc)                                                                            \
    X(BKA_CompAttachFile, BkaUnusedProc)                                                                         \
    X(BKA_Alloc, LPVOID(WINAPI*)(int size))                                                                      \
    X(BKA_ReAlloc, BkaUnusedProc)                                                                                \
    X(BKA_Free, void(WINAPI*)(LPVOID block))                                                                     \
    X(BKA_ISO_2022_JP, BkaUnusedProc)                                                                            \
    X(BKA_ISO_2022_KR, BkaUnusedProc)                                                                            \
    X(BKA_HZ_GB2312, BkaUnusedProc)                                                                              \
    X(BKA_ISO_8859_2, BkaUnusedProc)                                                                             \
    X(BKA_EUC_JP, BkaUnusedProc)                                                                                 \
    X(BKA_UTF_7, BkaUnusedProc)                                                                                  \
    X(BKA_UTF_8, BkaUnusedProc)                                                                                  \
    X(BKA_B64Convert, BkaUnusedProc)                                                                             \
    X(BKA_QPConvert, BkaUnusedProc)                                                                              \
    X(BKA_MIMEHeader, BkaUnusedProc)                                                                             \
    X(BKA_SerializeRcpts, BkaUnusedProc)                                                                         \
    X(BKA_Connect, BkaUnusedProc)                                                                                \
    X(BKA_NextUnread, BkaUnusedProc)

// Function-pointer type of each host function, e.g. BKA_GetVersion_Fn.
#define RP_HOST_TYPEDEF(name, type) using name##_Fn = type;
RP_HOST_FUNCTIONS(RP_HOST_TYPEDEF)
#undef RP_HOST_TYPEDEF

// The host table of one plug-in library. One global instance per library (gHostApi); it is
// written only by Bind, while the library initializes on the host's user-interface thread, and
// read-only afterwards, so any thread may call through it without locking.
struct HostApi {
#define RP_HOST_MEMBER(name, type) name##_Fn name = nullptr;
    RP_HOST_FUNCTIONS(RP_HOST_MEMBER)
#undef RP_HOST_MEMBER

    // Module handle of the host executable; null while the table is not bound.
    HMODULE host = nullptr;

    static constexpr int kFunctionCount = 56;
    // Export names in binding order; kFunctionCount entries.
    static const char* const kNames[kFunctionCount];

    // Binds against the process's executable. Succeeds at once when already bound. On failure
    // the table is left unbound (host null) and nothing is shown to the user.
    bool Bind();
    // Binds against the given module. Exposed so that tests can bind against a module of their
    // own; Bind() is BindTo(GetModuleHandle(nullptr)).
    bool BindTo(HMODULE module);
    // Forgets the binding; the pointers are cleared.
    void Unbind();
    bool IsBound() const {
        return host != nullptr;
    }
};

extern HostApi gHostApi;

// A text that the host returned from its allocator (BKA_GetSource, BKA_GetHeader); it goes
// back with BKA_Free when this object ends. Null texts are allowed.
class HostString {
public:
    explicit HostString(LPSTR text) : text_(text) {}
    ~HostString() {
        if (text_ && gHostApi.BKA_Free)
            gHostApi.BKA_Free(text_);
    }
    HostString(const HostString&) = delete;
    HostString& operator=(const HostString&) = delete;
    const char* Get() const { return text_; }

private:
    LPSTR text_;
};

// A copy of a text the host keeps itself (the current mailbox, folder or mail); "" for none.
inline std::string HostText(LPCSTR text) {
    return text ? std::string(text) : std::string();
}
