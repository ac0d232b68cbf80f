#include "nntp/PictureFolder.h"

#include <cerrno>
#include <cstdio>

#include "nntp/PictureFileName.h"
#include "xml/AtomicFile.h"
#include "xml/CodePage.h"

PictureFiles::ReadResult DiskPictureFiles::Read(const std::string& path, std::string* bytes) {
    errno = 0;
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe)
        return errno == ENOENT ? kMissing : kUnreadable;
    std::fclose(probe);
    return atomicfile::ReadAll(path.c_str(), *bytes) ? kRead : kUnreadable;
}

bool DiskPictureFiles::Write(const std::string& path, const std::string& bytes) {
    // A picture file is made again whenever the message is opened and the file is missing, so
    // waiting for the disk would only hold up the opening.
    return atomicfile::WriteAllUnflushed(path.c_str(), bytes);
}

PictureFolder::PictureFolder(const std::string& folder, PictureFiles& files) : folder_(folder), files_(files) {
    if (folder_.empty())
        return;
    // The last character decides, read as a character: a double-byte character whose trail
    // byte is "\" does not end the folder with a separator.
    const char* p = folder_.data();
    const char* end = p + folder_.size();
    size_t lastLength = 0;
    for (; p < end; p += lastLength)
        lastLength = codepage::CharLen(p, end);
    char last = folder_.back();
    if (lastLength == 1 && (last == '\\' || last == '/'))
        return;
    bool slashOnly = folder_.find('/') != std::string::npos && folder_.find('\\') == std::string::npos;
    folder_.push_back(slashOnly ? '/' : '\\');
}

bool PictureFolder::Save(const std::string& safeName,
                         const std::string& bytes,
                         std::string* fileName,
                         std::string* path) {
    if (safeName.empty())
        return false;
    for (int n = 1; n <= kMaxNumberedNames + 1; ++n) {
        std::string name = n == 1 ? safeName : NumberedFileName(safeName, n);
        std::string candidate = folder_ + name;
        std::string existing;
        PictureFiles::ReadResult state = files_.Read(candidate, &existing);
        if (state == PictureFiles::kRead && existing != bytes)
            continue;
        if (state == PictureFiles::kUnreadable)
            continue;
        if (state == PictureFiles::kMissing && !files_.Write(candidate, bytes))
            return false;
        *fileName = name;
        *path = candidate;
        return true;
    }
    return false;
}
