// Load, start, exit and unload of the news plug-in, and its information and setup callbacks.
#include <winsock2.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/ArticleReturn.h"
#include "news/EventHandlers.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "news/SocketStart.h"
#include "news/SyncTimer.h"
#include "news/WindowHooks.h"
#include "news/Workers.h"
#include "nntp/ReplyBufferPool.h"

namespace {

// "Windows 通信端口初始化失败。" in the plug-in's code page.
const char kSocketStartFailed[] =
    "Windows \xCD\xA8\xD0\xC5\xB6\xCB\xBF\xDA\xB3\xF5\xCA\xBC\xBB\xAF\xCA\xA7\xB0\xDC\xA1\xA3";
const char kConfigFileName[] = "Rillpost.xml";

bool gSocketsStarted = false;

// Everything BKC_OnExit waits for, together.
const DWORD kExitBudgetMs = 5000;

// Folder of module, with its trailing backslash.
std::string ModuleFolder(HMODULE module) {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            std::string full(path.data(), length);
            return full.substr(0, full.rfind('\\') + 1);
        }
        path.resize(path.size() * 2);
    }
}

void CopyField(char* field, const char* text) {
    lstrcpynA(field, text, BkcPlugInInfo::kFieldSize);
}

}  // namespace

bool (*gRunPreferencesDialog)(HWND parent, Preferences* values) = nullptr;
bool (*gRunCertificateDialog)(HWND parent,
                              const std::string& server,
                              const std::string& problem,
                              const std::string& fingerprint,
                              const std::string& subject) = nullptr;
void (*gInitMenus)(HMENU menu, int type) = nullptr;

void LoadConfiguration(const std::string& path) {
    gConfig.LoadConfig(path.c_str());
    // A damaged file is copied aside now, while nothing can have been saved over it yet; the
    // user hears of it at start, since no message box may be shown while the library loads.
    if (gConfigDamage.Inspect(path, gConfig))
        gConfigDamage.SetAside();
    gDamageReported = false;
    gSettings.Load(gConfig);
}

bool SaveConfiguration() {
    return gConfigDamage.SetAside() && gConfig.SaveFile(gConfig.GetConfigPath().c_str());
}

bool InitializeNewsPlugin(HMODULE module) {
    gModule = module;
    WSADATA data;
    if (WSAStartup(kWinsockVersion, &data) != 0) {
        MessageBoxA(nullptr, kSocketStartFailed, "Rillpost", MB_OK | MB_ICONERROR);
        return false;
    }
    if (!IsWinsockVersionUsable(data.wVersion)) {
        WSACleanup();
        MessageBoxA(nullptr, kSocketStartFailed, "Rillpost", MB_OK | MB_ICONERROR);
        return false;
    }
    gSocketsStarted = true;
    if (!gHostApi.Bind()) {
        WSACleanup();
        gSocketsStarted = false;
        return false;
    }
    LoadConfiguration(ModuleFolder(module) + kConfigFileName);
    // A fault inside a guarded callback or worker must not leave a lock held by its thread.
    GuardSharedLocks();
    return true;
}

void ShutdownNewsPlugin() {
    // BKC_OnExit normally cancelled the timer already, waiting for its callback.
    AbandonSyncTimer();
    RestoreSubclassedWindows();
    ForgetSharedLocks();
    if (gSocketsStarted)
        WSACleanup();
    gSocketsStarted = false;
    gHostApi.Unbind();
}

int HandleStart() {
    InterlockedExchange(&gRenameTracking, 1);
    HookStatusBar(gMainWindow);
    gGeomarkModule = GetModuleHandleA("Geomark.dll");
    gGeomark =
        gGeomarkModule
            ? reinterpret_cast<BKC_Geomark_Fn>(reinterpret_cast<void*>(GetProcAddress(gGeomarkModule, "BKC_Geomark")))
            : nullptr;
    if (gGeomark == nullptr)
        gGeomarkModule = nullptr;
    if (gSettings.synTime != 0)
        CreateSyncTimer(10, gSettings.synTime);
    if (gConfigDamage.IsDamaged() && !gDamageReported) {
        gDamageReported = true;
        gShowMessageBox(gMainWindow, gConfigDamage.Message().c_str(), "Rillpost", MB_OK | MB_ICONWARNING);
    }
    return 0;
}

int HandleExit() {
    // Exit never waits without bound: a worker may be inside a host call that the host runs on
    // this very thread, and would never return while this thread waits for it. Every wait below
    // shares one budget.
    const DWORD start = GetTickCount();
    auto left = [start](DWORD reserve) -> DWORD {
        DWORD spent = GetTickCount() - start;
        return spent + reserve >= kExitBudgetMs ? 0 : kExitBudgetMs - reserve - spent;
    };
    // From here on no new timer run or long worker loop starts, and no timer callback is left
    // running once the timer is gone. Workers that are still busy keep the library loaded
    // themselves (Workers.h).
    InterlockedExchange(&gShuttingDown, 1);
    CancelSyncTimer();
    // A posting still running may hear its server's answer within part of the budget; the
    // articles of those that do not are stored in their news inbox from here, once each (a 240
    // that comes after this point finds the article both posted and in the inbox).
    for (DWORD wait = left(2000); !gPostingWindows.AllFinished() && wait > 0; wait = left(2000))
        Sleep(50);
    for (const auto& article : gPostingWindows.TakeOverRunning())
        StoreArticleInInbox(article.first, article.second);
    StoreReturnedArticlesNow();
    {
        // Taken although only this thread is meant to touch the document now: a worker that is
        // still running may be in the middle of its own configuration sequence.
        TimedOptexLock hold(gConfigOptex, left(1000));
        if (hold.Held()) {
            PrepareConfigForExit(gConfig, gSettings.online);
            SaveConfiguration();
        }
    }
    gPostingWindows.DestroyFinished();
    gPendingSources.DrainWithin(left(0));
    ReplyBufferPool::Release();
    return 0;
}

int HandlePlugInInfo(LPVOID info) {
    if (info == nullptr)
        return 0;
    auto* record = static_cast<BkcPlugInInfo*>(info);
    CopyField(record->name, "Rillpost Plugin");
    CopyField(record->vendor, "The Rillpost developers");
    CopyField(record->version, "1.82");
    CopyField(record->description, "Enable Becky! to visit NewsGroup");
    return 0;
}

int HandlePlugInSetup(HWND parent) {
    // Without the preferences dialog the plug-in has nothing to show; 0 lets the host say so.
    if (gRunPreferencesDialog == nullptr)
        return 0;
    // Held while the dialog is open, so a timer run or worker that needs the configuration waits
    // for the new settings.
    OptexLock hold(gConfigOptex);
    Preferences values = PreferencesFromCache(gSettings);
    if (gRunPreferencesDialog(parent, &values) &&
        !ApplyPreferences(gConfig, gSettings, values, RescheduleSyncTimer, SaveConfiguration)) {
        gShowMessageBox(parent, "The settings could not be saved to Rillpost.xml. They apply until the client exits.",
                        "Rillpost", MB_OK | MB_ICONWARNING);
    }
    return 1;
}
