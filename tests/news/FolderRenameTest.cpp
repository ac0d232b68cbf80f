// The folder view's rename tracking without a host: a window of our own stands for the host's
// folder view, and the host functions it needs are fakes over one "current folder" string.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "host/HostApi.h"
#include "host/Optex.h"
#include "news/MenuCommands.h"
#include "news/NewsState.h"
#include "news/WindowHooks.h"

namespace {

const UINT kEndFolderNameEdit = static_cast<UINT>(-411);
const char kMailBox[] = "r.mb\\";

std::string gCurrentFolder;
int gDepthInsideHost = -1;  // configuration lock levels this thread held in the host's procedure
int gHostRenames = 0;

LPCSTR WINAPI FakeGetCurrentMailBox() {
    return kMailBox;
}

LPCSTR WINAPI FakeGetCurrentFolder() {
    return gCurrentFolder.c_str();
}

// The host's folder view: ends the edit by renaming the current folder within its parent.
LRESULT CALLBACK HostFolderViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == kEndFolderNameEdit) {
        gDepthInsideHost = gConfigOptex.OwnedDepth();
        ++gHostRenames;
        const auto* edit = reinterpret_cast<const NMTVDISPINFOA*>(lParam);
        std::string parent = gCurrentFolder.substr(0, gCurrentFolder.find_last_of('\\', gCurrentFolder.size() - 2) + 1);
        gCurrentFolder = parent + edit->item.pszText + "\\";
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string StoredFolderOf(const char* group) {
    OptexLock hold(gConfigOptex);
    gConfig.ResetPosition();
    std::string folder;
    if (gConfig.SelectRecord("Setup:Server", "ID", kMailBox, false, true)) {
        gConfig.EnterElement();
        if (gConfig.SelectRecord("Subgroup", "GroupName", group, false, true))
            folder = gConfig.GetString("FolderID", "", true);
    }
    gConfig.ResetPosition();
    return folder;
}

// Whether the renamed folder is a group's or not, the host renames it with the configuration
// lock free, and only a group's subscription follows the new name.
TEST(FolderRenameTest, TheHostRenamesWithTheLockFreeAndTheGroupFollows) {
    struct Case {
        const char* folder;
        const char* newName;
        const char* storedAfter;  // FolderID of alt.test afterwards
    } cases[] = {
        {"r.mb\\!!!!Inbox\\alt.test\\", "renamed", "r.mb\\!!!!Inbox\\renamed\\"},
        {"r.mb\\!!!!Inbox\\plain\\", "other", "r.mb\\!!!!Inbox\\alt.test\\"},
    };
    gHostApi.Unbind();
    gHostApi.host = GetModuleHandleA(nullptr);
    gHostApi.BKA_GetCurrentMailBox = FakeGetCurrentMailBox;
    gHostApi.BKA_GetCurrentFolder = FakeGetCurrentFolder;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostFolderViewProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "RpFakeFolderView";
    RegisterClassA(&windowClass);
    HWND view = CreateWindowA("RpFakeFolderView", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, view);
    SubclassWindow(view, FolderViewProc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        ASSERT_TRUE(gConfig.ParseText(
            "<Setup><Server><ID>r.mb\\</ID><Location>127.0.0.1</Location><Subgroup>"
            "<FolderID>r.mb\\!!!!Inbox\\alt.test\\</FolderID><GroupName>alt.test</GroupName></Subgroup>"
            "</Server></Setup>"));
        gCurrentFolder = c.folder;
        gDepthInsideHost = -1;
        gHostRenames = 0;
        char name[64];
        lstrcpynA(name, c.newName, sizeof name);
        NMTVDISPINFOA edit = {};
        edit.hdr.hwndFrom = view;
        edit.hdr.code = kEndFolderNameEdit;
        edit.item.pszText = name;
        SendMessageA(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&edit));
        EXPECT_EQ(1, gHostRenames);
        EXPECT_EQ(0, gDepthInsideHost);
        EXPECT_EQ(0, gConfigOptex.OwnedDepth());
        EXPECT_EQ(c.storedAfter, StoredFolderOf("alt.test"));
    }
    DestroyWindow(view);
    gHostApi.Unbind();
}

}  // namespace
