#include "xml/AtomicFile.h"

#include <windows.h>

#include <cstdint>

namespace atomicfile {

namespace {

size_t gWriteLimit = SIZE_MAX;

// A virus scanner or indexer may hold the target open for a moment; retrying the replace for
// about 200 ms rides that out without hanging the caller.
const int kReplaceAttempts = 20;
const DWORD kReplaceWaitMs = 10;

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    bool Close() {
        if (h_ == INVALID_HANDLE_VALUE)
            return true;
        BOOL ok = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE h_;
};

bool WriteFully(HANDLE h, const std::string& bytes) {
    size_t total = bytes.size() < gWriteLimit ? bytes.size() : gWriteLimit;
    size_t done = 0;
    while (done < total) {
        DWORD chunk = static_cast<DWORD>(total - done > 1u << 20 ? 1u << 20 : total - done);
        DWORD written = 0;
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return total == bytes.size();
}

bool ReplaceWithRetry(const std::string& temp, const char* path, bool flush) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0);
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (MoveFileExA(temp.c_str(), path, flags))
            return true;
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            return false;
        Sleep(kReplaceWaitMs);
    }
    return false;
}

}  // namespace

void SetWriteLimitForTesting(size_t limit) {
    gWriteLimit = limit;
}

bool ReadAll(const char* path, std::string& bytes) {
    FileHandle f(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid())
        return false;
    std::string data;
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr))
            return false;
        if (got == 0)
            break;
        data.append(buf, got);
    }
    bytes.swap(data);
    return true;
}

// One name per thread: two threads saving the same file (two pictures of one name) must not
// write into one temporary file.
std::string TempPathFor(const char* path) {
    return std::string(path) + ".tmp" + std::to_string(GetCurrentProcessId()) + "." +
           std::to_string(GetCurrentThreadId());
}

namespace {

// Replaces the whole content of the open file with bytes, shortening it only afterwards.
bool Overwrite(HANDLE h, const std::string& bytes) {
    LARGE_INTEGER zero = {};
    return SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && WriteFully(h, bytes) && SetEndOfFile(h) &&
           FlushFileBuffers(h);
}

// The folder refuses new files, but the file itself may still be writable.
WriteFailure WriteInPlace(const char* path, const std::string& bytes) {
    std::string old;
    if (!ReadAll(path, old))
        return WriteFailure::kOldKept;
    FileHandle direct(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!direct.Valid())
        return WriteFailure::kOldKept;
    if (Overwrite(direct.Get(), bytes))
        return WriteFailure::kNone;
    return Overwrite(direct.Get(), old) ? WriteFailure::kOldRestored : WriteFailure::kOldLost;
}

}  // namespace

namespace {

enum class TempWrite { kDone, kNoTemp, kFailed };

// Writes bytes to the temporary file beside path, which then replaces path. kFailed leaves no
// temporary file behind.
TempWrite WriteByTemp(const char* path, const std::string& bytes, bool flush) {
    std::string temp = TempPathFor(path);
    FileHandle f(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid())
        return TempWrite::kNoTemp;
    bool ok = WriteFully(f.Get(), bytes) && (!flush || FlushFileBuffers(f.Get()));
    ok = f.Close() && ok;
    if (ok && ReplaceWithRetry(temp, path, flush))
        return TempWrite::kDone;
    DeleteFileA(temp.c_str());
    return TempWrite::kFailed;
}

}  // namespace

bool WriteAll(const char* path, const std::string& bytes, WriteFailure* failure) {
    WriteFailure result = WriteFailure::kNone;
    switch (WriteByTemp(path, bytes, true)) {
        case TempWrite::kDone:
            break;
        case TempWrite::kNoTemp:
            result = WriteInPlace(path, bytes);
            break;
        case TempWrite::kFailed:
            result = WriteFailure::kOldKept;
            break;
    }
    if (failure)
        *failure = result;
    return result == WriteFailure::kNone;
}

bool WriteAllUnflushed(const char* path, const std::string& bytes) {
    return WriteByTemp(path, bytes, false) == TempWrite::kDone;
}

bool CreateNew(const char* path, const std::string& bytes, bool* existed) {
    *existed = false;
    FileHandle f(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) {
        DWORD error = GetLastError();
        *existed = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return false;
    }
    bool ok = WriteFully(f.Get(), bytes) && FlushFileBuffers(f.Get());
    ok = f.Close() && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

}  // namespace atomicfile
