// A small XML engine over one text string. Elements are byte ranges into the text, kept in a
// table of records whose indexes stay valid for the document's lifetime, so callers may keep an
// index as a handle. Edits rewrite the text in place and keep every byte they do not touch:
// a document that is loaded, changed and saved differs only where it was changed.
//
// New text for an element that already has text is held beside the table and written into the
// text only when the whole text is needed (GetText, SaveFile) or an element is added or removed.
// A synchronization writes thousands of numbers into a configuration of megabytes, and writing
// each one at once would move everything behind it. Reads see held texts as if written.
//
// Ownership: the document owns its text, its table and the held texts. Strings returned by value
// are copies; GetText() returns a reference that stays valid until the next edit or parse.
// A document is used by one thread at a time; callers serialize access: even const calls may
// write the held texts.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "xml/AtomicFile.h"

struct ElementRecord {
    int32_t startTagBegin;  // the '<' that opens the start tag
    int32_t startTagEnd;    // the '>' that closes the start tag
    int32_t endTagBegin;    // the '<' of the end tag; for <a/> the '/'
    int32_t endTagEnd;      // the '>' of the end tag; for <a/> the same as startTagEnd
    int32_t held;           // 1 + the slot of its held text; 0 when it has none
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
};

class CXmlDocument {
public:
    // Node kinds met while scanning.
    enum NodeKind {
        kNodeElement = 1,
        kNodeText = 2,
        kNodeWhitespace = 4,
        kNodeCdata = 8,
        kNodeProcessingInstruction = 16,
        kNodeComment = 32,
        kNodeDocumentType = 64,
    };

    CXmlDocument();
    virtual ~CXmlDocument();

    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Document. A null text is the empty text.
    bool ParseText(const char* text);
    bool ParseBytes(const char* data, size_t length);
    bool HasRootElement() const;
    bool LoadFile(const char* path);
    // Writes the text byte for byte. The old file is replaced only once the new one is complete,
    // so a failed save leaves it as it was (see atomicfile::WriteAll for the one exception, which
    // *failure reports). False when the file cannot be written.
    bool SaveFile(const char* path, atomicfile::WriteFailure* failure = nullptr) const;
    std::string GetParseError() const { return parseError_; }
    const std::string& GetText() const {
        WriteHeldTexts();
        return text_;
    }

    // Navigation; none of these change the text.
    void ResetPosition();
    bool FindElement(const char* name);
    bool FindChildElement(const char* name);
    bool EnterElement();
    bool LeaveElement();
    std::string GetElementName() const;
    bool SavePosition(const char* name);
    bool RestorePosition(const char* name);

    // The position as element indexes (0 = none), for callers that keep handles. An index stays
    // valid until its element is removed or the document is parsed again.
    int GetParentIndex() const { return parent_; }
    int GetCurrentIndex() const { return current_; }
    int GetChildIndex() const { return child_; }
    // Sets the position directly. False, leaving the position as it was, unless every index is 0
    // or a valid element, current is 0 or a child of parent, and child is 0 or a child of current.
    bool SetPosition(int parent, int current, int child, int nodeFlag);

    // Content.
    std::string GetElementText() const { return GetTextAt(current_); }
    std::string GetChildText() const { return GetTextAt(child_); }
    bool SetElementText(const char* text, bool asCdata) { return SetTextAt(current_, text, asCdata); }
    bool SetChildText(const char* text, bool asCdata) { return SetTextAt(child_, text, asCdata); }
    // By element index; an index that is not a valid element gives "" and false.
    std::string GetTextAt(int index) const;
    bool SetTextAt(int index, const char* text, bool asCdata);
    std::string GetTagNameAt(int index) const;

    // Editing.
    bool AddElement(const char* name, const char* text, bool before);
    bool AddChildElement(const char* name, const char* text, bool before);
    bool RemoveElement();

    static std::string EscapeText(const char* text, bool attribute);
    // Reads [begin, end) of the text as last written (see Record).
    std::string UnescapeText(int begin, int end) const;

    // Every edit is noted for callers that keep an index of the tree: the element whose text was
    // set, and the container (0 for the document level) that gained or lost a child. Hands over
    // the notes made since the last call and forgets them. False, with no notes, when the text
    // was parsed again since then or too many notes piled up: the caller rebuilds its index.
    bool TakeEditNotes(std::vector<int>& touched);

protected:
    // The record of a valid element; a zeroed record for any other index. Its offsets are into
    // the text as last written: while texts are held, only their order is meaningful.
    const ElementRecord& Record(int index) const;
    bool IsElement(int index) const { return IsLive(index); }
    bool IsElementNamed(int index, const char* name) const {
        return IsLive(index) && name && *name && ElementMatches(index, name);
    }
    int TopElement() const { return records_[0].firstChild; }

private:
    struct Position {
        int parent;
        int current;
        int child;
    };
    struct Token {
        int begin;  // first byte of the token's text
        int end;    // one past its last byte
        int next;   // where the next scan starts
        bool quoted;
    };

    void ResetTable(size_t textLength);
    int NewRecord();
    void GiveBackRecord(int index);

    int NextChar(int pos) const;
    int FindByte(int from, char c) const;
    int FindString(int from, const char* s) const;
    bool NextToken(int pos, Token& token) const;
    bool TokenIs(const Token& token, char c) const;
    bool NameMatches(const Token& token, const char* name) const;
    int SkipNode(int lt) const;
    bool IsWhitespace(int pos) const;
    int SkipInsertWhitespace(int pos) const;

    int ParseElement(int parentIndex);
    int OpenElement(int parent);
    bool CloseElement(int index);
    void SetError(const char* format, int index);

    // A record in use by an element of the tree: taken and not removed. A removed element's
    // record (and those of its descendants) keeps parent -1, since its offsets no longer fit.
    bool IsLive(int index) const { return index > 0 && index < nextFree_ && records_[index].parent >= 0; }
    void MarkRemoved(int index, int at);
    void FindOrderedPrefix();
    void NoteEdit(int index);

    bool HasChildren(int index) const { return records_[index].firstChild != 0; }
    bool IsEmptyElement(int index) const { return records_[index].startTagEnd == records_[index].endTagBegin + 1; }
    bool ElementMatches(int index, const char* name) const;
    int PreviousSibling(int index) const;
    std::string StartTagCloser(int slash) const;
    void ReplaceText(int begin, int end, const std::string& with);
    void ShiftOffsets(int from, int delta, int except);
    bool InsertElement(bool asChild, const char* name, const char* text, bool before);

    // Content markup for an element, to be written between its tags.
    struct HeldText {
        int index;
        std::string markup;
    };
    void HoldText(int index, std::string markup);
    // Writes every held text into the text and moves the offsets behind each one: afterwards the
    // text and the table are what writing each text at once would have made them.
    void WriteHeldTexts() const;

    // Mutable so that the const readers of the whole text can write the held texts first.
    mutable std::string text_;
    std::string parseError_;
    mutable std::vector<ElementRecord> records_;
    mutable std::vector<HeldText> held_;
    int nextFree_ = 1;
    // Records 1 .. ordered_ - 1 came from the parse and their startTagBegin never decreases (a
    // removed one keeps the place its element was cut from), so an edit finds the elements after
    // it by a binary search. Later records, added by edits, are checked one by one.
    int ordered_ = 1;
    int parent_ = 0;
    int current_ = 0;
    int child_ = 0;
    int nodeFlag_ = 0;
    std::map<std::string, Position> savedPositions_;
    std::vector<int> editNotes_;
    bool editNotesLost_ = true;
};
