// A header with decoded content and, for multipart bodies, child parts. A body owns its fields,
// its content buffer and its parts; parts are deleted with their parent, so a MimeBody* handed
// out by CreatePart, Parts or GetAttachments lives until it is erased or the parent is cleared
// or destroyed.
#pragma once

#include <list>
#include <memory>
#include <string>

#include "mime/MimeHeader.h"

class MimeBody : public MimeHeader {
public:
    // Multipart bodies nested deeper than this are not split: their text stays the content of
    // the last part, so hostile nesting cannot exhaust the stack.
    static constexpr int kMaxDepth = 64;

    MimeBody() = default;
    MimeBody(const MimeBody&) = delete;
    MimeBody& operator=(const MimeBody&) = delete;
    ~MimeBody() override = default;

    void Clear() override;
    // Upper bound of what Store writes.
    int GetLength() const override;
    // Header, encoded content, then the parts between boundary lines. Returns the bytes written,
    // or -1 when the buffer is too small or a multipart body has no boundary.
    int Store(char* buffer, int size) const override;
    // Parses a whole body. Returns the bytes consumed (up to the closing boundary line of a
    // multipart, else all of `size`), 0 when the header cannot be read, a negative value on
    // allocation failure. Fields are appended to any already present. The text after a closing
    // boundary line is kept as the epilogue, and a part whose header cannot be read is kept as a
    // part without fields whose content is the part's text.
    int Load(const char* text, int size) override;

    // Copies `length` bytes (0: `data` is NUL-terminated). Returns the length, -1 without memory.
    int SetContent(const char* data, int length);
    int GetContent(std::string& out) const;
    // Valid until the content changes; always NUL-terminated.
    const char* GetContentData() const { return content_ ? content_.get() : ""; }
    int GetContentLength() const { return contentLength_; }
    // The text after a multipart body's closing boundary line, written back after it by Store.
    const std::string& GetEpilogue() const { return epilogue_; }
    // Writes the decoded content to `path` (created or truncated). Empty content writes nothing.
    bool WriteToFile(const std::string& path) const;

    // Inserts a new part before `before` (at the end when it is null or not a part of this body).
    MimeBody* CreatePart(int mediaType = kMediaText, MimeBody* before = nullptr);
    void ErasePart(MimeBody* part);
    void DeleteAllParts();
    const std::list<std::unique_ptr<MimeBody>>& Parts() const { return parts_; }

    // Collects the named leaf parts (those whose Content-Type has a "name" parameter).
    int GetAttachments(std::list<MimeBody*>& list);

    // GetLength then Store into `out`; false (out empty) when Store fails.
    bool StoreToString(std::string& out) const;

private:
    int LoadParts(const char* text, int size, int partStart, const std::string& boundary);

    std::unique_ptr<char[]> content_;
    int contentLength_ = 0;
    std::list<std::unique_ptr<MimeBody>> parts_;
    std::string epilogue_;
    int depth_ = 0;  // nesting level while loading: 0 for the top-level body

    // The boundaries of the multipart bodies around a part, innermost first. The parent sets
    // enclosing_ for the length of the part's Load only; it points into the parent's frame.
    struct Enclosing {
        const std::string& boundary;
        const Enclosing* outer;
    };
    const Enclosing* enclosing_ = nullptr;
};
