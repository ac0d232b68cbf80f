#include "xml/AtomicFile.h"

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

bool WriteAll(const char* path, const std::string& bytes) {
    std::string temp = std::string(path) + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        // The folder refuses new files; the file itself may still be writable.
        FILE* f = fopen(path, "wb");
        if (!f)
            return false;
        bool ok = bytes.size() <= gWriteLimit && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return fclose(f) == 0 && ok;
    }
    bool ok = WriteFully(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace atomicfile
