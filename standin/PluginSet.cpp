#include "standin/PluginSet.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "standin/CallbackCall.h"
#include "standin/StandinHost.h"

namespace {

template <typename F>
void Resolve(HMODULE module, const char* name, F* fn) {
    *fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename T>
DWORD_PTR Arg(T value) {
    return (DWORD_PTR)(value);
}

// Calls a callback through the checking thunk; a callback that does not remove exactly its own
// arguments is noted in the host's event log ("stack <file> <export> left <n> bytes").
template <typename Fn>
int Checked(const PluginSet::Plugin& p, const char* name, Fn fn, std::initializer_list<DWORD_PTR> args) {
    std::vector<DWORD_PTR> values(args);
    int left = 0;
    int result =
        CallCallback(reinterpret_cast<const void*>(fn), values.data(), static_cast<int>(values.size()), &left);
    if (left != 0)
        StandinHost::Instance().Log("stack " + p.file + " " + name + " left " + std::to_string(left) + " bytes");
    return result;
}

std::string Field(const char* field) {
    return std::string(field, strnlen(field, BkcPlugInInfo::kFieldSize));
}

}  // namespace

void PluginSet::LoadAll(const std::string& folder) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*.dll").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        // Libraries that export no callbacks are helpers of a plug-in (which loads them itself),
        // not plug-ins: they are looked at without running their initialization and left alone.
        HMODULE peek = LoadLibraryExA((dir + file).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        bool isPlugin = !peek || GetProcAddress(peek, "BKC_OnStart") || GetProcAddress(peek, "BKC_OnPlugInInfo");
        if (peek)
            FreeLibrary(peek);
        if (!isPlugin)
            continue;
        Plugin p;
        p.file = file;
        // A plug-in binds the host in its initialization; a failing bind makes this fail.
        p.module = LoadLibraryA((dir + file).c_str());
        if (!p.module) {
            p.loadError = GetLastError();
            plugins_.push_back(p);
            continue;
        }
        Resolve(p.module, "BKC_OnStart", &p.onStart);
        Resolve(p.module, "BKC_OnExit", &p.onExit);
        Resolve(p.module, "BKC_OnMenuInit", &p.onMenuInit);
        Resolve(p.module, "BKC_OnOpenFolder", &p.onOpenFolder);
        Resolve(p.module, "BKC_OnOpenMail", &p.onOpenMail);
        Resolve(p.module, "BKC_OnEveryMinute", &p.onEveryMinute);
        Resolve(p.module, "BKC_OnOpenCompose", &p.onOpenCompose);
        Resolve(p.module, "BKC_OnOutgoing", &p.onOutgoing);
        Resolve(p.module, "BKC_OnKeyDispatch", &p.onKeyDispatch);
        Resolve(p.module, "BKC_OnRetrieve", &p.onRetrieve);
        Resolve(p.module, "BKC_OnSend", &p.onSend);
        Resolve(p.module, "BKC_OnFinishRetrieve", &p.onFinishRetrieve);
        Resolve(p.module, "BKC_OnPlugInSetup", &p.onPlugInSetup);
        Resolve(p.module, "BKC_OnPlugInInfo", &p.onPlugInInfo);
        if (p.onPlugInInfo) {
            BkcPlugInInfo record = {};
            Checked(p, "BKC_OnPlugInInfo", p.onPlugInInfo, {Arg(&record)});
            p.name = Field(record.name);
            p.vendor = Field(record.vendor);
            p.version = Field(record.version);
            p.description = Field(record.description);
        }
        if (p.name.empty())
            p.name = file;
        plugins_.push_back(p);
    }
}

void PluginSet::Exit() {
    for (Plugin& p : plugins_) {
        if (p.module && p.onExit)
            Checked(p, "BKC_OnExit", p.onExit, {});
    }
}

void PluginSet::Unload() {
    for (auto it = plugins_.rbegin(); it != plugins_.rend(); ++it) {
        if (it->module)
            FreeLibrary(it->module);
        it->module = nullptr;
    }
}

void PluginSet::MenuInit(HWND mainWindow, HMENU menu, int type) {
    for (Plugin& p : plugins_) {
        if (p.module && p.onMenuInit)
            Checked(p, "BKC_OnMenuInit", p.onMenuInit, {Arg(mainWindow), Arg(menu), Arg(type)});
    }
}

void PluginSet::Start() {
    for (Plugin& p : plugins_) {
        if (p.module && p.onStart)
            Checked(p, "BKC_OnStart", p.onStart, {});
    }
}

void PluginSet::OpenFolder(const std::string& folderId) {
    for (Plugin& p : plugins_) {
        if (p.module && p.onOpenFolder)
            Checked(p, "BKC_OnOpenFolder", p.onOpenFolder, {Arg(folderId.c_str())});
    }
}

void PluginSet::OpenMail(const std::string& mailId) {
    for (Plugin& p : plugins_) {
        if (p.module && p.onOpenMail)
            Checked(p, "BKC_OnOpenMail", p.onOpenMail, {Arg(mailId.c_str())});
    }
}

void PluginSet::EveryMinute() {
    for (Plugin& p : plugins_) {
        if (p.module && p.onEveryMinute)
            Checked(p, "BKC_OnEveryMinute", p.onEveryMinute, {});
    }
}

void PluginSet::OpenCompose(HWND compose, int mode) {
    for (Plugin& p : plugins_) {
        if (p.module && p.onOpenCompose)
            Checked(p, "BKC_OnOpenCompose", p.onOpenCompose, {Arg(compose), Arg(mode)});
    }
}

void PluginSet::CallIdleCallbacks(HWND mainWindow) {
    for (Plugin& p : plugins_) {
        if (!p.module)
            continue;
        if (p.onEveryMinute)
            Checked(p, "BKC_OnEveryMinute", p.onEveryMinute, {});
        if (p.onOutgoing)
            Checked(p, "BKC_OnOutgoing", p.onOutgoing, {Arg(mainWindow), Arg(0)});
        if (p.onKeyDispatch)
            Checked(p, "BKC_OnKeyDispatch", p.onKeyDispatch, {Arg(mainWindow), Arg(0), Arg(0)});
        if (p.onRetrieve)
            Checked(p, "BKC_OnRetrieve", p.onRetrieve, {Arg(0), Arg(0)});
        if (p.onFinishRetrieve)
            Checked(p, "BKC_OnFinishRetrieve", p.onFinishRetrieve, {Arg(0)});
    }
}

int PluginSet::Send(const std::string& text) {
    for (Plugin& p : plugins_) {
        if (!p.module || !p.onSend)
            continue;
        int result = Checked(p, "BKC_OnSend", p.onSend, {Arg(text.c_str())});
        if (result != 0)
            return result;
    }
    return 0;
}

bool PluginSet::Setup(const std::string& name, HWND parent) {
    for (Plugin& p : plugins_) {
        if (p.module && p.onPlugInSetup &&
            (_stricmp(p.name.c_str(), name.c_str()) == 0 || _stricmp(p.file.c_str(), name.c_str()) == 0 ||
             _stricmp(p.file.c_str(), (name + ".dll").c_str()) == 0)) {
            Checked(p, "BKC_OnPlugInSetup", p.onPlugInSetup, {Arg(parent)});
            return true;
        }
    }
    return false;
}

bool PluginSet::Owns(const void* address) const {
    for (const Plugin& p : plugins_) {
        if (!p.module)
            continue;
        auto base = reinterpret_cast<const BYTE*>(p.module);
        auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        auto a = static_cast<const BYTE*>(address);
        if (a >= base && a < base + nt->OptionalHeader.SizeOfImage)
            return true;
    }
    return false;
}
