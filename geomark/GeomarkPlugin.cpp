// Geomark.dll: the location plug-in. It binds the host while it initializes, loads the lookup
// library from its own folder at start, and marks each message that the news plug-in hands to
// BKC_Geomark with the sender's location.
#include <windows.h>

#include <string>

#include "geomark/LocationMarker.h"
#include "host/HostApi.h"
#include "host/PluginCallbacks.h"
#include "lodestar/IpLocation.h"

namespace {

using GetAddressFn = const IpLocation*(__cdecl*)(const char* address);

const char kLookupLibrary[] = "Lodestar.dll";
const char kPluginName[] = "Geomark Plugin";
const char kVendor[] = "The Rillpost developers";
const char kVersion[] = "1.4";
const char kDescription[] = "Enable Becky! to display ip information\na component of Rillpost";
const char kSetupText[] =
    "Geomark Plugin 1.4\r\n\r\nShows the country and area of a message's sender in the header "
    "X-Geomark-Location, from QQwry.dat and myip.dat in the mail client's folder.";

HINSTANCE gInstance = nullptr;
// Loaded by BKC_OnStart, freed by BKC_OnExit; both null when the library or its export is
// missing. Touched on the host's user-interface thread only.
HMODULE gLookupModule = nullptr;
GetAddressFn gGetAddress = nullptr;

void UnloadLookup() {
    if (gLookupModule)
        FreeLibrary(gLookupModule);
    gLookupModule = nullptr;
    gGetAddress = nullptr;
}

// Copies the texts out at once: the library overwrites them on its next call.
bool Lookup(const std::string& address, std::string& country, std::string& area) {
    if (!gGetAddress)
        return false;
    const IpLocation* location = gGetAddress(address.c_str());
    if (!location)
        return false;
    country = location->country ? location->country : "";
    area = location->area ? location->area : "";
    return true;
}

void CopyField(char* field, const char* text) {
    lstrcpynA(field, text, BkcPlugInInfo::kFieldSize);
}

}  // namespace

extern "C" {

int WINAPI BKC_OnStart() {
    UnloadLookup();
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(gInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    gLookupModule = LoadLibraryA((folder + kLookupLibrary).c_str());
    if (gLookupModule)
        gGetAddress =
            reinterpret_cast<GetAddressFn>(reinterpret_cast<void*>(GetProcAddress(gLookupModule, "_GetAddress")));
    return 0;
}

int WINAPI BKC_OnExit() {
    UnloadLookup();
    return 0;
}

int WINAPI BKC_Geomark(LPCSTR mailId, LPCSTR message, int writeAlways) {
    // Nothing may escape into the caller; on any failure the message goes back as it came.
    try {
        std::string out;
        if (geomark::MarkMessage(message, writeAlways != 0, &Lookup, out) != geomark::MarkResult::NotWritten)
            gHostApi.BKA_SetSource("TEMP", out.c_str());
    } catch (...) {
        if (message)
            gHostApi.BKA_SetSource("TEMP", message);
    }
    return 0;
}

int WINAPI BKC_OnPlugInSetup(HWND parent) {
    MessageBoxA(parent, kSetupText, kPluginName, MB_OK | MB_ICONINFORMATION);
    return 1;
}

int WINAPI BKC_OnPlugInInfo(LPVOID record) {
    auto* info = static_cast<BkcPlugInInfo*>(record);
    CopyField(info->name, kPluginName);
    CopyField(info->vendor, kVendor);
    CopyField(info->version, kVersion);
    CopyField(info->description, kDescription);
    return 0;
}

// The rest of the interface: nothing to do, but each removes exactly its own arguments.
int WINAPI BKC_OnMenuInit(HWND, HMENU, int) {
    return 0;
}
int WINAPI BKC_OnOpenFolder(LPCSTR) {
    return 0;
}
int WINAPI BKC_OnOpenMail(LPCSTR) {
    return 0;
}
int WINAPI BKC_OnEveryMinute() {
    return 0;
}
int WINAPI BKC_OnOpenCompose(HWND, int) {
    return 0;
}
int WINAPI BKC_OnOutgoing(HWND, int) {
    return 0;
}
int WINAPI BKC_OnKeyDispatch(HWND, int, int) {
    return 0;
}
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) {
    return 0;
}
int WINAPI BKC_OnSend(LPCSTR) {
    return 0;
}
int WINAPI BKC_OnFinishRetrieve(int) {
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gInstance = instance;
        DisableThreadLibraryCalls(instance);
        // Without the host's functions the plug-in cannot work: refuse to load.
        return gHostApi.Bind() ? TRUE : FALSE;
    }
    return TRUE;
}

}  // extern "C"
