// The host functions exported by the unload test program, so that Rillpost.dll can bind against
// it. Only the functions that the plug-in calls so far do anything; the others exist to be found.
#include <windows.h>

#include "tests/news/FakeHost.h"

#define RP_FAKE_EXPORT extern "C" __declspec(dllexport)

FakeHost gFakeHost;

RP_FAKE_EXPORT LPCSTR WINAPI BKA_GetVersion() {
    return "2.00.06";
}

RP_FAKE_EXPORT void WINAPI BKA_SetMessageText(HWND, LPCSTR text) {
    gFakeHost.OnMessageText(text);
}

RP_FAKE_EXPORT void WINAPI BKA_SetSource(LPCSTR, LPCSTR) {}

RP_FAKE_EXPORT void WINAPI BKA_GetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    *main = *tree = *list = *view = nullptr;
}

RP_FAKE_EXPORT void WINAPI BKA_SetStatus(LPCSTR, DWORD, DWORD) {}

#define RP_FAKE_UNUSED(name)           \
    RP_FAKE_EXPORT int WINAPI name() { \
        return 0;                      \
    }

RP_FAKE_UNUSED(BKA_Command)
RP_FAKE_UNUSED(BKA_RegisterCommand)
RP_FAKE_UNUSED(BKA_RegisterUICallback)
RP_FAKE_UNUSED(BKA_GetDataFolder)
RP_FAKE_UNUSED(BKA_GetTempFolder)
RP_FAKE_UNUSED(BKA_GetTempFileName)
RP_FAKE_UNUSED(BKA_GetCurrentMailBox)
RP_FAKE_UNUSED(BKA_SetCurrentMailBox)
RP_FAKE_UNUSED(BKA_GetCurrentFolder)
RP_FAKE_UNUSED(BKA_SetCurrentFolder)
RP_FAKE_UNUSED(BKA_GetFolderDisplayName)
RP_FAKE_UNUSED(BKA_GetCurrentMail)
RP_FAKE_UNUSED(BKA_SetCurrentMail)
RP_FAKE_UNUSED(BKA_GetNextMail)
RP_FAKE_UNUSED(BKA_SetSel)
RP_FAKE_UNUSED(BKA_AppendMessage)
RP_FAKE_UNUSED(BKA_MoveSelectedMessages)
RP_FAKE_UNUSED(BKA_GetStatus)
RP_FAKE_UNUSED(BKA_ComposeMail)
RP_FAKE_UNUSED(BKA_GetCharSet)
RP_FAKE_UNUSED(BKA_GetSource)
RP_FAKE_UNUSED(BKA_GetHeader)
RP_FAKE_UNUSED(BKA_GetText)
RP_FAKE_UNUSED(BKA_SetText)
RP_FAKE_UNUSED(BKA_GetSpecifiedHeader)
RP_FAKE_UNUSED(BKA_SetSpecifiedHeader)
RP_FAKE_UNUSED(BKA_CompGetCharSet)
RP_FAKE_UNUSED(BKA_CompGetSource)
RP_FAKE_UNUSED(BKA_CompSetSource)
RP_FAKE_UNUSED(BKA_CompGetHeader)
RP_FAKE_UNUSED(BKA_CompGetSpecifiedHeader)
RP_FAKE_UNUSED(BKA_CompSetSpecifiedHeader)
RP_FAKE_UNUSED(BKA_CompGetText)
RP_FAKE_UNUSED(BKA_CompSetText)
RP_FAKE_UNUSED(BKA_CompAttachFile)
RP_FAKE_UNUSED(BKA_Alloc)
RP_FAKE_UNUSED(BKA_ReAlloc)
RP_FAKE_UNUSED(BKA_Free)
RP_FAKE_UNUSED(BKA_ISO_2022_JP)
RP_FAKE_UNUSED(BKA_ISO_2022_KR)
RP_FAKE_UNUSED(BKA_HZ_GB2312)
RP_FAKE_UNUSED(BKA_ISO_8859_2)
RP_FAKE_UNUSED(BKA_EUC_JP)
RP_FAKE_UNUSED(BKA_UTF_7)
RP_FAKE_UNUSED(BKA_UTF_8)
RP_FAKE_UNUSED(BKA_B64Convert)
RP_FAKE_UNUSED(BKA_QPConvert)
RP_FAKE_UNUSED(BKA_MIMEHeader)
RP_FAKE_UNUSED(BKA_SerializeRcpts)
RP_FAKE_UNUSED(BKA_Connect)
RP_FAKE_UNUSED(BKA_NextUnread)
