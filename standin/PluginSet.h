// The plug-in libraries that the stand-in host loaded from its plug-ins folder, and the calls
// into their BKC_ exports. Every call is made on the host's user-interface thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/PluginCallbacks.h"

class PluginSet {
public:
    struct Plugin {
        std::string file;  // file name in the plug-ins folder
        HMODULE module = nullptr;
        DWORD loadError = 0;                             // GetLastError of a failed load, 0 when loaded
        std::string name, vendor, version, description;  // from BKC_OnPlugInInfo
        BKC_OnStart_Fn onStart = nullptr;
        BKC_OnExit_Fn onExit = nullptr;
        BKC_OnMenuInit_Fn onMenuInit = nullptr;
        BKC_OnOpenFolder_Fn onOpenFolder = nullptr;
        BKC_OnOpenMail_Fn onOpenMail = nullptr;
        BKC_OnEveryMinute_Fn onEveryMinute = nullptr;
        BKC_OnOpenCompose_Fn onOpenCompose = nullptr;
        BKC_OnOutgoing_Fn onOutgoing = nullptr;
        BKC_OnKeyDispatch_Fn onKeyDispatch = nullptr;
        BKC_OnRetrieve_Fn onRetrieve = nullptr;
        BKC_OnSend_Fn onSend = nullptr;
        BKC_OnFinishRetrieve_Fn onFinishRetrieve = nullptr;
        BKC_OnPlugInSetup_Fn onPlugInSetup = nullptr;
        BKC_OnPlugInInfo_Fn onPlugInInfo = nullptr;
    };

    // Loads every "*.dll" of folder that exports BKC_OnStart or BKC_OnPlugInInfo, in name order.
    // Libraries whose initialization fails are recorded with their error and not called.
    void LoadAll(const std::string& folder);
    // BKC_OnExit of every plug-in, while the host's windows still exist.
    void Exit();
    // Frees the libraries in reverse load order. Runs after the host's windows are destroyed,
    // because plug-ins subclass them and their window procedures live in the libraries.
    void Unload();

    void MenuInit(HWND mainWindow, HMENU menu, int type);
    void Start();
    void OpenFolder(const std::string& folderId);
    void OpenMail(const std::string& mailId);
    void EveryMinute();
    void OpenCompose(HWND compose, int mode);
    // First non-zero result of BKC_OnSend in load order, 0 when every plug-in returned 0.
    int Send(const std::string& text);
    bool Setup(const std::string& name, HWND parent);
    // Calls the callbacks for which the host has no event of its own (every minute, outgoing,
    // key dispatch, retrieve, finish retrieve) with neutral arguments. Like every callback
    // call, one that does not remove exactly its own arguments is noted in the host's log.
    void CallIdleCallbacks(HWND mainWindow);

    const std::vector<Plugin>& Plugins() const { return plugins_; }
    // True when address lies inside the image of a loaded plug-in.
    bool Owns(const void* address) const;

private:
    std::vector<Plugin> plugins_;
};
