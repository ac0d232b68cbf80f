// The callbacks that every plug-in library exports by undecorated name and that the host calls
// on its user-interface thread. Both sides of the interface compile against these types, so a
// caller pushes exactly the arguments that the export removes (Windows standard convention).
#pragma once

#include <windows.h>

// Menu types of BKC_OnMenuInit.
enum BkcMenuType { kMenuMain = 0, kMenuMessageList = 1, kMenuFolderTree = 2 };

// Compose modes of BKC_OnOpenCompose that the news plug-in acts on.
enum BkcComposeMode { kComposeNew = 0, kComposeReply = 5 };

// Results of BKC_OnSend.
enum BkcSendResult { kSendAsMail = 0, kSendRefused = -1, kSendTakenOver = -2 };

// The record filled by BKC_OnPlugInInfo: four NUL-terminated fields of 80 bytes at offsets 0, 80,
// 160 and 240. The host owns it; the plug-in only copies its texts in.
struct BkcPlugInInfo {
    static const int kFieldSize = 80;
    char name[kFieldSize];
    char vendor[kFieldSize];
    char version[kFieldSize];
    char description[kFieldSize];
};
static_assert(sizeof(BkcPlugInInfo) == 320, "host record layout");

// X(name, function type) for every callback of the interface, in the order of its table. The
// arguments named argN are ignored by both plug-ins; only their count (4 bytes each) matters.
#define RP_PLUGIN_CALLBACKS(X)                                         \
    X(BKC_OnStart, int(WINAPI*)())                                     \
    X(BKC_OnExit, int(WINAPI*)())                                      \
    X(BKC_OnMenuInit, int(WINAPI*)(HWND window, HMENU menu, int type)) \
    X(BKC_OnOpenFolder, int(WINAPI*)(LPCSTR folderId))                 \
    X(BKC_OnOpenMail, int(WINAPI*)(LPCSTR mailId))                     \
    X(BKC_OnEveryMinute, int(WINAPI*)())                               \
    X(BKC_OnOpenCompose, int(WINAPI*)(HWND compose, int mode))         \
    X(BKC_OnOutgoing, int(WINAPI*)(HWND window, int reserved))         \
    X(BKC_OnKeyDispatch, int(WINAPI*)(HWND arg1, int arg2, int arg3))  \
    X(BKC_OnRetrieve, int(WINAPI*)(LPCSTR arg1, LPCSTR arg2))          \
    X(BKC_OnSend, int(WINAPI*)(LPCSTR message))                        \
    X(BKC_OnFinishRetrieve, int(WINAPI*)(int arg1))                    \
    X(BKC_OnPlugInSetup, int(WINAPI*)(HWND parent))                    \
    X(BKC_OnPlugInInfo, int(WINAPI*)(LPVOID info))

#define RP_PLUGIN_TYPEDEF(name, type) using name##_Fn = type;
RP_PLUGIN_CALLBACKS(RP_PLUGIN_TYPEDEF)
#undef RP_PLUGIN_TYPEDEF

// The location plug-in's extra export, called by the news plug-in for every opened message:
// (mail identifier, complete message text, write-always flag) -> 0.
typedef int(WINAPI* BKC_Geomark_Fn)(LPCSTR mailId, LPCSTR message, int writeAlways);

// Number of callbacks of the interface; the export table of a plug-in holds these names.
const int kPluginCallbackCount = 14;
#define RP_PLUGIN_COUNT(name, type) +1
static_assert(0 RP_PLUGIN_CALLBACKS(RP_PLUGIN_COUNT) == kPluginCallbackCount, "one entry per callback");
#undef RP_PLUGIN_COUNT
