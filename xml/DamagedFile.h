// What a plug-in does with one of its XML files that does not parse. Left alone, such a file
// would load as an empty document and every later save would append a new top element after
// the broken text, so the user's data would be buried and the file never valid again. Instead
// its bytes are set aside beside it under a name that no earlier copy has, the user is told once,
// and the document starts empty so that the next save writes a valid file.
//
// One object guards one file for the lifetime of its document; it keeps a copy of the damaged
// text until that text has been written out. Not thread-safe: callers serialize it with the
// document it guards.
#pragma once

#include <string>

class CXmlDocument;

class DamagedFile {
public:
    // True when text holds a start tag and still did not parse. An empty or blank text, or one
    // with only a declaration, comments or a document type declaration, is not damaged: it
    // merely has no element yet.
    static bool IsDamagedText(const std::string& text, bool parsed);

    // The name tried for the copy on the given attempt: path + ".damaged" first, then
    // ".damaged.1", ".damaged.2" and so on.
    static std::string BackupPath(const std::string& path, int attempt);

    // Looks at doc right after it was loaded from path. When its text is damaged, keeps the text
    // and the parse error and empties doc. Returns IsDamaged().
    bool Inspect(const std::string& path, CXmlDocument& doc);
    bool IsDamaged() const { return damaged_; }

    // Writes the kept text to the first backup name that does not exist yet, once. True when
    // the copy exists (or none is needed); false leaves it to the next call. Every save of the
    // guarded document must come after a true result, or the user's only copy is lost.
    bool SetAside();
    const std::string& GetBackupPath() const { return backupPath_; }
    // True once the damaged text is safe in its copy (or there was nothing to keep).
    bool IsSetAside() const { return setAside_; }

    // The text for the user: which file could not be read, the parse error, and where it was
    // kept (or that it could not be kept). Empty when the file was not damaged.
    std::string Message() const;

private:
    bool damaged_ = false;
    bool setAside_ = false;
    std::string path_;
    std::string text_;
    std::string parseError_;
    std::string backupPath_;
};
