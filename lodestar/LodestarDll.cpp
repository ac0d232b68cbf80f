// Lodestar.dll: reads "myip.dat" and "QQwry.dat" from the folder of the process's executable when
// the process attaches, and answers _GetAddress from memory until it detaches.
#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "lodestar/Lodestar.h"
#include "lodestar/LodestarTexts.h"

namespace {

// Lives from process attach to process detach; _GetAddress returns a pointer into it.
lodestar::Lodestar gLodestar;

class AutoCloseHandle {
public:
    explicit AutoCloseHandle(HANDLE handle) : handle_(handle) {}
    ~AutoCloseHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    AutoCloseHandle(const AutoCloseHandle&) = delete;
    AutoCloseHandle& operator=(const AutoCloseHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const size_t slash = folder.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool ReadAll(HANDLE file, std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x1000000 ? 0x1000000 : bytes.size() - done);
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0)
            return false;
        done += read;
    }
    return true;
}

void LoadOwnTable(const std::string& folder) {
    const std::string path = folder + "myip.dat";
    AutoCloseHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size <= lodestar::OwnTable::kFirstRecord)
        return;
    if (size > lodestar::OwnTable::kAdviceSize)
        MessageBoxA(nullptr, lodestar::kLargeOwnTableText, lodestar::kLargeOwnTableCaption, MB_OK);
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return;
    }
    try {
        if (ReadAll(file.Get(), bytes))
            gLodestar.LoadOwnTable(std::move(bytes));
    } catch (const std::bad_alloc&) {
    }
}

void LoadDatabase(const std::string& folder) {
    const std::string path = folder + "QQwry.dat";
    AutoCloseHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        MessageBoxA(nullptr, path.c_str(), lodestar::kOpenFailedCaption, MB_OK);
        return;
    }
    const DWORD size = GetFileSize(file.Get(), nullptr);
    std::vector<unsigned char> bytes;
    try {
        if (size == INVALID_FILE_SIZE)
            throw std::bad_alloc();
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        MessageBoxA(nullptr, lodestar::kNoMemoryText, nullptr, MB_OK);
        return;
    }
    if (!ReadAll(file.Get(), bytes)) {
        MessageBoxA(nullptr, path.c_str(), lodestar::kReadFailedCaption, MB_OK);
        return;
    }
    try {
        if (gLodestar.LoadDatabase(std::move(bytes)) != lodestar::QqwryReader::LoadResult::Loaded)
            MessageBoxA(nullptr, path.c_str(), lodestar::kDamagedCaption, MB_OK);
    } catch (const std::bad_alloc&) {
        // The unpacked index did not fit.
        MessageBoxA(nullptr, lodestar::kNoMemoryText, nullptr, MB_OK);
    }
}

}  // namespace

// Exported as "_GetAddress" (see Lodestar.def); C calling convention.
extern "C" const IpLocation* __cdecl LodestarGetAddress(const char* text) {
    return gLodestar.GetAddress(text);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        const std::string folder = ExecutableFolder();
        LoadOwnTable(folder);
        LoadDatabase(folder);
    } else if (reason == DLL_PROCESS_DETACH) {
        gLodestar.Unload();
    }
    return TRUE;
}
