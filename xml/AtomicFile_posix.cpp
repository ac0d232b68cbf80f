#include "xml/AtomicFile.h"

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace atomicfile {

namespace {

size_t gWriteLimit = SIZE_MAX;

bool WriteFully(int fd, const std::string& bytes) {
    size_t total = bytes.size() < gWriteLimit ? bytes.size() : gWriteLimit;
    size_t done = 0;
    while (done < total) {
        ssize_t n = write(fd, bytes.data() + done, total - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return total == bytes.size();
}

}  // namespace

void SetWriteLimitForTesting(size_t limit) {
    gWriteLimit = limit;
}

bool ReadAll(const char* path, std::string& bytes) {
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.append(buf, n);
    bool ok = !ferror(f);
    fclose(f);
    if (ok)
        bytes.swap(data);
    return ok;
}

// One name per thread: two threads saving the same file (two pictures of one name) must not
// write into one temporary file.
std::string TempPathFor(const char* path) {
    static std::atomic<unsigned> next{0};
    thread_local unsigned thread = ++next;
    return std::string(path) + ".tmp" + std::to_string(getpid()) + "." + std::to_string(thread);
}

namespace {

// Replaces the whole content of the open file fd with bytes, shortening it only afterwards.
bool Overwrite(int fd, const std::string& bytes) {
    return lseek(fd, 0, SEEK_SET) == 0 && WriteFully(fd, bytes) &&
           ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fsync(fd) == 0;
}

// The folder refuses new files, but the file itself may still be writable.
WriteFailure WriteInPlace(const char* path, const std::string& bytes) {
    std::string old;
    if (!ReadAll(path, old))
        return WriteFailure::kOldKept;
    int fd = open(path, O_WRONLY);
    if (fd < 0)
        return WriteFailure::kOldKept;
    // Every write was flushed by Overwrite, so closing cannot lose any of it.
    WriteFailure result = WriteFailure::kNone;
    if (!Overwrite(fd, bytes))
        result = Overwrite(fd, old) ? WriteFailure::kOldRestored : WriteFailure::kOldLost;
    close(fd);
    return result;
}

}  // namespace

namespace {

enum class TempWrite { kDone, kNoTemp, kFailed };

// Writes bytes to the temporary file beside path, which then replaces path. kFailed leaves no
// temporary file behind.
TempWrite WriteByTemp(const char* path, const std::string& bytes, bool flush) {
    std::string temp = TempPathFor(path);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return TempWrite::kNoTemp;
    bool ok = WriteFully(fd, bytes) && (!flush || fsync(fd) == 0);
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path) == 0)
        return TempWrite::kDone;
    unlink(temp.c_str());
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
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        *existed = errno == EEXIST;
        return false;
    }
    bool ok = WriteFully(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok)
        unlink(path);
    return ok;
}

}  // namespace atomicfile
