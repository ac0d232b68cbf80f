#include "xml/XmlDocument.h"

#include <cstdio>
#include <cstring>

#include "xml/AtomicFile.h"
#include "xml/CodePage.h"

namespace {

bool IsSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDelimiter(char c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
        case '<':
        case '>':
        case '=':
        case '\\':
        case '/':
        case '?':
        case '!':
            return true;
        default:
            return false;
    }
}

}  // namespace

CXmlDocument::CXmlDocument() {
    ResetTable(0);
}

CXmlDocument::~CXmlDocument() = default;

void CXmlDocument::ResetTable(size_t textLength) {
    size_t wanted = textLength / 64 + 8;
    if (records_.size() < wanted)
        records_.resize(wanted);
    memset(records_.data(), 0, records_.size() * sizeof(ElementRecord));
    nextFree_ = 1;
    ordered_ = 1;
    savedPositions_.clear();
    ResetPosition();
}

int CXmlDocument::NewRecord() {
    if (static_cast<size_t>(nextFree_) == records_.size())
        records_.resize(records_.size() + records_.size() / 2 + 1);
    int index = nextFree_++;
    records_[index] = ElementRecord();
    return index;
}

void CXmlDocument::GiveBackRecord(int index) {
    records_[index] = ElementRecord();
    if (index == nextFree_ - 1)
        --nextFree_;
}

// Scanning ---------------------------------------------------------------------------------------

int CXmlDocument::NextChar(int pos) const {
    const char* base = text_.data();
    return pos + static_cast<int>(codepage::CharLen(base + pos, base + text_.size()));
}

int CXmlDocument::FindByte(int from, char c) const {
    int size = static_cast<int>(text_.size());
    for (int pos = from; pos < size; pos = NextChar(pos)) {
        if (text_[pos] == c)
            return pos;
    }
    return -1;
}

int CXmlDocument::FindString(int from, const char* s) const {
    int size = static_cast<int>(text_.size());
    size_t len = strlen(s);
    for (int pos = from; pos < size; pos = NextChar(pos)) {
        if (static_cast<size_t>(size - pos) < len)
            return -1;
        if (memcmp(text_.data() + pos, s, len) == 0)
            return pos;
    }
    return -1;
}

bool CXmlDocument::IsWhitespace(int pos) const {
    return IsSpaceByte(text_[pos]);
}

bool CXmlDocument::NextToken(int pos, Token& token) const {
    int size = static_cast<int>(text_.size());
    while (pos < size && IsWhitespace(pos))
        ++pos;
    if (pos >= size)
        return false;
    char c = text_[pos];
    if (c == '"' || c == '\'') {
        int close = FindByte(pos + 1, c);
        token.begin = pos + 1;
        token.end = close < 0 ? size : close;
        token.next = close < 0 ? size : close + 1;
        token.quoted = true;
        return true;
    }
    token.quoted = false;
    token.begin = pos;
    if (IsDelimiter(c)) {
        token.end = pos + 1;
        token.next = pos + 1;
        return true;
    }
    int end = pos;
    while (end < size && !IsDelimiter(text_[end]))
        end = NextChar(end);
    token.end = end;
    token.next = end;
    return true;
}

bool CXmlDocument::TokenIs(const Token& token, char c) const {
    return !token.quoted && token.end == token.begin + 1 && text_[token.begin] == c;
}

// The token must be the start of the name, and the name must end there or go on with a
// character that cannot belong to a tag name.
bool CXmlDocument::NameMatches(const Token& token, const char* name) const {
    size_t tokenLength = static_cast<size_t>(token.end - token.begin);
    size_t nameLength = strlen(name);
    if (tokenLength > nameLength || memcmp(text_.data() + token.begin, name, tokenLength) != 0)
        return false;
    char after = name[tokenLength];
    return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

// Returns the offset just past a <? or <! node that starts at lt, or -1 when it has no end.
int CXmlDocument::SkipNode(int lt) const {
    int size = static_cast<int>(text_.size());
    if (lt + 1 >= size)
        return -1;
    if (text_[lt + 1] == '?') {
        int end = FindString(lt, "?>");
        return end < 0 ? -1 : end + 2;
    }
    if (text_[lt + 1] != '!' || lt + 2 >= size)
        return -1;
    if (text_[lt + 2] == '[') {
        int end = FindString(lt, "]]>");
        return end < 0 ? -1 : end + 3;
    }
    if (text_[lt + 2] == '-') {
        int end = FindString(lt, "-->");
        return end < 0 ? -1 : end + 3;
    }
    // A document type declaration: brackets nest an internal subset that may hold '>'.
    int depth = 0;
    Token token;
    int pos = lt;
    while (NextToken(pos, token)) {
        if (!token.quoted) {
            if (TokenIs(token, '>') && depth == 0)
                return token.next;
            for (int i = token.begin; i < token.end; i = NextChar(i)) {
                if (text_[i] == '[')
                    ++depth;
                else if (text_[i] == ']' && depth > 0)
                    --depth;
            }
        }
        pos = token.next;
    }
    return -1;
}

// Parsing ----------------------------------------------------------------------------------------

void CXmlDocument::SetError(const char* format, int index) {
    if (!strstr(format, "%s")) {
        parseError_ = format;
        return;
    }
    std::string name = GetTagNameAt(index);
    std::string message(format);
    message.replace(message.find("%s"), 2, name);
    parseError_ = message;
}

bool CXmlDocument::ParseText(const char* text) {
    return ParseBytes(text ? text : "", text ? strlen(text) : 0);
}

bool CXmlDocument::ParseBytes(const char* data, size_t length) {
    held_.clear();
    text_.assign(data ? data : "", data ? length : 0);
    parseError_.clear();
    editNotes_.clear();
    editNotesLost_ = true;
    ResetTable(text_.size());
    int top = ParseElement(0);
    if (top <= 0) {
        memset(records_.data(), 0, records_.size() * sizeof(ElementRecord));
        nextFree_ = 1;
        return false;
    }
    records_[0].firstChild = top;
    FindOrderedPrefix();
    return true;
}

// Reads up to the start tag of the next child of `parent`, whose endTagBegin is the scan cursor.
// Returns the new element's index, 0 when the parent's end tag comes first, -1 on an error.
// An element that is not self-closing is returned with its cursor set after the start tag.
int CXmlDocument::OpenElement(int parent) {
    int index = NewRecord();
    records_[index].startTagBegin = records_[parent].endTagBegin;
    records_[index].parent = parent;
    int nameEnd;
    for (;;) {
        int lt = FindByte(records_[parent].endTagBegin, '<');
        if (lt < 0) {
            // Inside an element, running out of tags means its end tag is missing.
            if (parent != 0)
                SetError("End tag of %s element not found", parent);
            else
                SetError("Element tag not found", 0);
            GiveBackRecord(index);
            return -1;
        }
        records_[parent].endTagBegin = lt;
        Token token;
        if (!NextToken(lt + 1, token)) {
            SetError("Abrupt end within tag", 0);
            GiveBackRecord(index);
            return -1;
        }
        if (token.quoted) {
            SetError("Tag starts with quote", 0);
            GiveBackRecord(index);
            return -1;
        }
        if (TokenIs(token, '?') || TokenIs(token, '!')) {
            int after = SkipNode(lt);
            if (after < 0) {
                SetError("Invalid node", 0);
                GiveBackRecord(index);
                return -1;
            }
            records_[parent].endTagBegin = after;
            continue;
        }
        if (TokenIs(token, '/')) {
            GiveBackRecord(index);
            return 0;
        }
        records_[index].startTagBegin = lt;
        nameEnd = token.end;
        break;
    }
    // Scan whole characters to the '>', remembering where the last one before it starts: the
    // element is empty only when that character is a '/' of its own, not a trail byte.
    int gt = -1;
    int lastChar = nameEnd;
    for (int pos = nameEnd; pos < static_cast<int>(text_.size()); pos = NextChar(pos)) {
        if (text_[pos] == '>') {
            gt = pos;
            break;
        }
        lastChar = pos;
    }
    if (gt < 0) {
        SetError("End of tag not found", 0);
        GiveBackRecord(index);
        return -1;
    }
    ElementRecord& r = records_[index];
    r.startTagEnd = gt;
    if (lastChar == gt - 1 && text_[gt - 1] == '/') {
        r.endTagBegin = gt - 1;
        r.endTagEnd = gt;
    } else {
        r.endTagBegin = gt + 1;
    }
    return index;
}

// Reads the end tag of `index`, whose cursor stands on the '<' before it.
bool CXmlDocument::CloseElement(int index) {
    int lt = FindByte(records_[index].endTagBegin, '<');
    if (lt < 0) {
        SetError("End tag of %s element not found", index);
        return false;
    }
    records_[index].endTagBegin = lt;
    Token token;
    if (!NextToken(lt + 1, token)) {
        SetError("End tag not completed for element %s", index);
        return false;
    }
    if (!TokenIs(token, '/')) {
        SetError("Expecting end tag of element %s", index);
        return false;
    }
    Token name;
    if (!NextToken(token.next, name)) {
        SetError("End tag not completed for element %s", index);
        return false;
    }
    std::string tag = GetTagNameAt(index);
    if (name.quoted || !NameMatches(name, tag.c_str())) {
        SetError("End tag does not correspond to %s", index);
        return false;
    }
    int pos = name.next;
    for (;;) {
        Token t;
        if (!NextToken(pos, t)) {
            SetError("End tag not completed for element %s", index);
            return false;
        }
        if (TokenIs(t, '>')) {
            records_[index].endTagEnd = t.begin;
            return true;
        }
        pos = t.next;
    }
}

// Parses one element below parentIndex together with all of its descendants. The nesting is
// walked with an explicit stack, so a hostile file nested a million deep cannot exhaust the
// thread's stack. Returns the element's index, 0 when the parent's end tag comes first, -1 on
// an error.
int CXmlDocument::ParseElement(int parentIndex) {
    struct Frame {
        int index;
        int lastChild;
    };
    std::vector<Frame> stack;
    for (;;) {
        int parent = stack.empty() ? parentIndex : stack.back().index;
        int index = OpenElement(parent);
        if (index < 0)
            return -1;
        int finished = 0;
        if (index == 0) {
            if (stack.empty())
                return 0;
            finished = stack.back().index;
            if (!CloseElement(finished))
                return -1;
            stack.pop_back();
        } else {
            if (!stack.empty()) {
                Frame& frame = stack.back();
                if (frame.lastChild == 0)
                    records_[frame.index].firstChild = index;
                else
                    records_[frame.lastChild].nextSibling = index;
                frame.lastChild = index;
            }
            if (!IsEmptyElement(index)) {
                stack.push_back({index, 0});
                continue;
            }
            finished = index;
        }
        if (stack.empty())
            return finished;
        records_[stack.back().index].endTagBegin = records_[finished].endTagEnd + 1;
    }
}

bool CXmlDocument::HasRootElement() const {
    return records_[0].firstChild != 0;
}

bool CXmlDocument::LoadFile(const char* path) {
    std::string bytes;
    if (!path || !atomicfile::ReadAll(path, bytes))
        return false;
    return ParseBytes(bytes.data(), bytes.size());
}

bool CXmlDocument::SaveFile(const char* path, atomicfile::WriteFailure* failure) const {
    if (!path) {
        if (failure)
            *failure = atomicfile::WriteFailure::kOldKept;
        return false;
    }
    WriteHeldTexts();
    return atomicfile::WriteAll(path, text_, failure);
}

const ElementRecord& CXmlDocument::Record(int index) const {
    static const ElementRecord kNone = {};
    return IsLive(index) ? records_[index] : kNone;
}

bool CXmlDocument::SetPosition(int parent, int current, int child, int nodeFlag) {
    if ((parent != 0 && !IsLive(parent)) || (current != 0 && !IsLive(current)) || (child != 0 && !IsLive(child)))
        return false;
    if ((current != 0 && records_[current].parent != parent) || (child != 0 && records_[child].parent != current))
        return false;
    parent_ = parent;
    current_ = current;
    child_ = child;
    nodeFlag_ = nodeFlag != 0;
    return true;
}

// Navigation -------------------------------------------------------------------------------------

void CXmlDocument::ResetPosition() {
    parent_ = current_ = child_ = 0;
    nodeFlag_ = 0;
}

std::string CXmlDocument::GetTagNameAt(int index) const {
    if (!IsLive(index))
        return std::string();
    Token token;
    if (!NextToken(records_[index].startTagBegin + 1, token))
        return std::string();
    return text_.substr(token.begin, token.end - token.begin);
}

bool CXmlDocument::ElementMatches(int index, const char* name) const {
    if (!name || !*name)
        return true;
    Token token;
    return NextToken(records_[index].startTagBegin + 1, token) && NameMatches(token, name);
}

bool CXmlDocument::FindElement(const char* name) {
    int index = current_ ? records_[current_].nextSibling : records_[parent_].firstChild;
    for (; index; index = records_[index].nextSibling) {
        if (ElementMatches(index, name)) {
            current_ = index;
            parent_ = records_[index].parent;
            child_ = 0;
            nodeFlag_ = 1;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::FindChildElement(const char* name) {
    if (current_ == 0 && !FindElement(nullptr))
        return false;
    int index = child_ ? records_[child_].nextSibling : records_[current_].firstChild;
    for (; index; index = records_[index].nextSibling) {
        if (ElementMatches(index, name)) {
            child_ = index;
            current_ = records_[index].parent;
            parent_ = records_[current_].parent;
            nodeFlag_ = current_ != 0;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::EnterElement() {
    if (current_ == 0 || nodeFlag_ != 1)
        return false;
    parent_ = current_;
    current_ = child_;
    child_ = 0;
    nodeFlag_ = current_ != 0;
    return true;
}

bool CXmlDocument::LeaveElement() {
    if (parent_ == 0)
        return false;
    child_ = current_;
    current_ = parent_;
    parent_ = records_[parent_].parent;
    nodeFlag_ = 1;
    return true;
}

std::string CXmlDocument::GetElementName() const {
    return GetTagNameAt(current_);
}

bool CXmlDocument::SavePosition(const char* name) {
    if (!name)
        return false;
    savedPositions_[name] = Position{parent_, current_, child_};
    return true;
}

bool CXmlDocument::RestorePosition(const char* name) {
    if (!name)
        return false;
    auto it = savedPositions_.find(name);
    if (it == savedPositions_.end())
        return false;
    // Fails when an element of the saved position has been removed since.
    const Position& p = it->second;
    return SetPosition(p.parent, p.current, p.child, p.current != 0);
}
