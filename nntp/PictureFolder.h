// The folder that converted pictures are saved into (the host's temporary folder), and the file
// access behind it. The conversion runs every time an article is opened, so the same picture
// must land on the same file again, while a different file that happens to carry the same name
// is never overwritten.
#pragma once

#include <string>

// File access seam: the disk in the plug-in, a map in tests.
class PictureFiles {
public:
    enum ReadResult { kMissing, kRead, kUnreadable };

    virtual ~PictureFiles() = default;
    // The whole content of the file at path.
    virtual ReadResult Read(const std::string& path, std::string* bytes) = 0;
    // Creates or replaces the file at path; false when it was not saved.
    virtual bool Write(const std::string& path, const std::string& bytes) = 0;
};

// Real files: whole-file reads, and writes that replace a file only once complete. Writes are
// not flushed to the disk: the folder is temporary and its files are made again when missing.
class DiskPictureFiles : public PictureFiles {
public:
    ReadResult Read(const std::string& path, std::string* bytes) override;
    bool Write(const std::string& path, const std::string& bytes) override;
};

class PictureFolder {
public:
    // Tries after the plain name before a picture is given up.
    static constexpr int kMaxNumberedNames = 100;

    // `folder` gets a backslash when it ends in no separator ("/" when it only uses "/").
    // `files` must outlive this object.
    PictureFolder(const std::string& folder, PictureFiles& files);

    // The folder as paths are built from it, ending in its separator (empty stays empty).
    const std::string& Folder() const { return folder_; }

    // Saves a picture under `safeName` (a result of SafePictureFileName) or, when a different
    // file already has that name, under the first free or identical "name (n).ext". A file that
    // already holds exactly these bytes is reused without writing. False when the picture could
    // not be saved (name empty, every name taken, unreadable, write failed); then nothing is
    // written. On success *fileName is the name used and *path is Folder() + *fileName.
    bool Save(const std::string& safeName, const std::string& bytes, std::string* fileName, std::string* path);

private:
    std::string folder_;
    PictureFiles& files_;
};
