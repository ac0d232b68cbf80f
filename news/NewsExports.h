// The callbacks that Rillpost.dll exports (by undecorated name, through Rillpost.def) and the
// seam through which the preferences dialog joins BKC_OnPlugInSetup.
#pragma once

#include <windows.h>

#include <string>

#include "host/PluginCallbacks.h"
#include "news/SettingCache.h"

extern "C" {
int WINAPI BKC_OnStart();
int WINAPI BKC_OnExit();
int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int type);
int WINAPI BKC_OnOpenFolder(LPCSTR folderId);
int WINAPI BKC_OnOpenMail(LPCSTR mailId);
int WINAPI BKC_OnEveryMinute();
int WINAPI BKC_OnOpenCompose(HWND compose, int mode);
int WINAPI BKC_OnOutgoing(HWND window, int reserved);
int WINAPI BKC_OnKeyDispatch(HWND arg1, int arg2, int arg3);
int WINAPI BKC_OnRetrieve(LPCSTR arg1, LPCSTR arg2);
int WINAPI BKC_OnSend(LPCSTR message);
int WINAPI BKC_OnFinishRetrieve(int arg1);
int WINAPI BKC_OnPlugInSetup(HWND parent);
int WINAPI BKC_OnPlugInInfo(LPVOID info);
}

// Each export has exactly the type that the host calls it through.
#define RP_CHECK_EXPORT_TYPE(name, type) \
    static_assert(sizeof(static_cast<name##_Fn>(&name)) != 0, #name " has the interface's type");
RP_PLUGIN_CALLBACKS(RP_CHECK_EXPORT_TYPE)
#undef RP_CHECK_EXPORT_TYPE

// Runs the preferences dialog modally over parent, filled from and returning into values; true
// when it ended with OK. Null while the plug-in has no such dialog.
extern bool (*gRunPreferencesDialog)(HWND parent, Preferences* values);
// Asks the user whether to trust a news server's certificate that failed its check (see
// NewsDisplay::AskTrustCertificate); true only on the user's yes. Null while the plug-in has no
// such dialog: the certificate is then refused.
extern bool (*gRunCertificateDialog)(HWND parent,
                                     const std::string& server,
                                     const std::string& problem,
                                     const std::string& fingerprint,
                                     const std::string& subject);
// Registers the commands of one host menu (BkcMenuType) and adds them to it. Null while the
// plug-in has no command table.
extern void (*gInitMenus)(HMENU menu, int type);
