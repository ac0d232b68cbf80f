// Reading and writing element text, adding and removing elements. An edit that changes tags
// replaces one range of the text and then shifts the offsets of everything that lies after it;
// new text between existing tags is held until the text is needed.
#include <algorithm>
#include <cstring>

#include "xml/CodePage.h"
#include "xml/XmlDocument.h"

namespace {

const char kCdataOpen[] = "<![CDATA[";
const char kCdataClose[] = "]]>";

bool IsSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool LoneLeadByte(const char* p, const char* end) {
    if (!codepage::IsLeadByte(static_cast<unsigned char>(*p)))
        return false;
    if (p + 1 >= end)
        return true;
    char next = p[1];
    return next == '<' || next == '>' || next == '&' || next == '\0';
}

struct NamedEntity {
    const char* text;
    char value;
};

const NamedEntity kEntities[] = {{"lt;", '<'}, {"amp;", '&'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};

// Unescapes [begin, end) of t; characters are measured up to limit, the end of t.
std::string UnescapeRange(const char* t, int limit, int begin, int end) {
    std::string out;
    int pos = begin;
    while (pos < end) {
        if (t[pos] != '&') {
            int next = pos + static_cast<int>(codepage::CharLen(t + pos, t + limit));
            if (next > end)
                next = end;
            out.append(t + pos, next - pos);
            pos = next;
            continue;
        }
        // Numeric reference: "&#" digits ";" or "&#x" hex digits ";", the ';' at most 7 bytes
        // after the first digit.
        if (pos + 1 < end && t[pos + 1] == '#') {
            bool hex = pos + 2 < end && t[pos + 2] == 'x';
            int first = pos + (hex ? 3 : 2);
            int p = first;
            uint32_t value = 0;
            while (p < end && p - first <= 7 &&
                   (hex ? ((t[p] >= '0' && t[p] <= '9') || (t[p] >= 'a' && t[p] <= 'f') || (t[p] >= 'A' && t[p] <= 'F'))
                        : (t[p] >= '0' && t[p] <= '9'))) {
                char c = t[p];
                int digit = c <= '9' ? c - '0' : (c >= 'a' ? c - 'a' + 10 : c - 'A' + 10);
                value = value * (hex ? 16 : 10) + digit;
                ++p;
            }
            if (p > first && p < end && p - first <= 7 && t[p] == ';') {
                std::string ch = codepage::FromCodePoint(value);
                if (!ch.empty()) {
                    out += ch;
                    pos = p + 1;
                    continue;
                }
            }
            out += '&';
            ++pos;
            continue;
        }
        bool replaced = false;
        for (const NamedEntity& e : kEntities) {
            int len = static_cast<int>(strlen(e.text));
            if (pos + 1 + len <= end && memcmp(t + pos + 1, e.text, len) == 0) {
                out += e.value;
                pos += 1 + len;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += '&';
            ++pos;
        }
    }
    return out;
}

// The value of the content [begin, end) of t: a CDATA section's raw text when the content starts
// with one, otherwise the unescaped text. Characters are measured up to limit, the end of t.
std::string ContentValue(const char* t, int limit, int begin, int end) {
    int pos = begin;
    while (pos < end && IsSpaceByte(t[pos]))
        ++pos;
    int openLength = static_cast<int>(strlen(kCdataOpen));
    int closeLength = static_cast<int>(strlen(kCdataClose));
    if (pos + 11 < end && memcmp(t + pos, kCdataOpen, openLength) == 0) {
        for (int close = pos + openLength; close < end && limit - close >= closeLength;
             close += static_cast<int>(codepage::CharLen(t + close, t + limit))) {
            if (memcmp(t + close, kCdataClose, closeLength) == 0)
                return std::string(t + pos + openLength, close - (pos + openLength));
        }
    }
    return UnescapeRange(t, limit, begin, end);
}

}  // namespace

std::string CXmlDocument::EscapeText(const char* text, bool attribute) {
    std::string out;
    if (!text)
        return out;
    size_t length = strlen(text);
    out.reserve(length + length / 10 + 7);
    const char* end = text + length;
    for (const char* p = text; p < end;) {
        size_t n = codepage::CharLen(p, end);
        // A lead byte without a proper trail (at the end, or before markup that can never be a
        // trail byte) would swallow the next '<' of the document when it is read again.
        if (LoneLeadByte(p, end)) {
            out += '?';
            ++p;
            continue;
        }
        if (n == 1) {
            switch (*p) {
                case '<':
                    out += "&lt;";
                    break;
                case '&':
                    out += "&amp;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '\'':
                    if (attribute)
                        out += "&apos;";
                    else
                        out += *p;
                    break;
                case '"':
                    if (attribute)
                        out += "&quot;";
                    else
                        out += *p;
                    break;
                default:
                    out += *p;
            }
        } else {
            out.append(p, n);
        }
        p += n;
    }
    return out;
}

std::string CXmlDocument::UnescapeText(int begin, int end) const {
    if (begin < 0)
        begin = 0;
    if (end > static_cast<int>(text_.size()))
        end = static_cast<int>(text_.size());
    return UnescapeRange(text_.data(), static_cast<int>(text_.size()), begin, end);
}

std::string CXmlDocument::GetTextAt(int index) const {
    if (!IsLive(index) || HasChildren(index) || IsEmptyElement(index))
        return std::string();
    const ElementRecord& r = records_[index];
    if (r.held) {
        const std::string& markup = held_[r.held - 1].markup;
        int size = static_cast<int>(markup.size());
        return ContentValue(markup.data(), size, 0, size);
    }
    return ContentValue(text_.data(), static_cast<int>(text_.size()), r.startTagEnd + 1, r.endTagBegin);
}

// Replaces [begin, end) of the text, clamped to the text.
void CXmlDocument::ReplaceText(int begin, int end, const std::string& with) {
    int size = static_cast<int>(text_.size());
    if (begin > size)
        begin = size;
    if (end > size)
        end = size;
    if (end < begin)
        end = begin;
    text_.replace(begin, end - begin, with);
}

// Moves every offset at or after `from` by delta, in all live elements but `except`. Ancestors
// of an edit keep their start offsets and move their end offsets; later elements move whole.
void CXmlDocument::ShiftOffsets(int from, int delta, int except) {
    if (delta == 0)
        return;
    auto shift = [&](ElementRecord& r) {
        int32_t* fields[] = {&r.startTagBegin, &r.startTagEnd, &r.endTagBegin, &r.endTagEnd};
        for (int32_t* f : fields) {
            if (*f >= from)
                *f += delta;
        }
    };
    // Parsed elements that start at or after the edit move whole: a suffix of the ordered records.
    ElementRecord* base = records_.data();
    int first = static_cast<int>(std::lower_bound(base + 1, base + ordered_, from,
                                                  [](const ElementRecord& r, int at) { return r.startTagBegin < at; }) -
                                 base);
    ElementRecord saved = records_[except];
    for (int i = first; i < ordered_; ++i) {
        base[i].startTagBegin += delta;
        base[i].startTagEnd += delta;
        base[i].endTagBegin += delta;
        base[i].endTagEnd += delta;
    }
    // Of the parsed elements that start before the edit, only those that hold it reach past it:
    // the last live one before it and its ancestors.
    int holder = first - 1;
    while (holder > 0 && records_[holder].parent < 0)
        --holder;
    for (; holder > 0; holder = records_[holder].parent)
        shift(records_[holder]);
    for (int i = std::max(ordered_, 1); i < nextFree_; ++i) {
        if (records_[i].parent >= 0)
            shift(records_[i]);
    }
    if (except > 0)
        records_[except] = saved;
}

// Notes how many records from the start of the table are in text order, as a parse leaves them.
void CXmlDocument::FindOrderedPrefix() {
    ordered_ = 1;
    while (ordered_ < nextFree_ && records_[ordered_].parent >= 0 &&
           (ordered_ == 1 || records_[ordered_].startTagBegin >= records_[ordered_ - 1].startTagBegin))
        ++ordered_;
}

bool CXmlDocument::SetTextAt(int index, const char* text, bool asCdata) {
    if (!IsLive(index) || HasChildren(index))
        return false;
    std::string markup;
    bool cdataSafe = true;
    if (text) {
        const char* end = text + strlen(text);
        for (const char* p = text; p < end; p += codepage::CharLen(p, end)) {
            if (LoneLeadByte(p, end))
                cdataSafe = false;
        }
        if (strstr(text, kCdataClose))
            cdataSafe = false;
    }
    if (asCdata && cdataSafe) {
        markup = kCdataOpen;
        if (text)
            markup += text;
        markup += kCdataClose;
    } else {
        markup = EscapeText(text, false);
    }
    if (!IsEmptyElement(index)) {
        HoldText(index, std::move(markup));
        NoteEdit(index);
        return true;
    }
    // <a/> becomes <a>markup</a>: the '/' is replaced. Tags change, so the text is brought up to
    // date first.
    WriteHeldTexts();
    ElementRecord& r = records_[index];
    int length = static_cast<int>(markup.size());
    std::string name = GetTagNameAt(index);
    int slash = r.endTagBegin;
    std::string opener = StartTagCloser(slash);
    std::string with = opener + markup + "</" + name;
    ReplaceText(slash, slash + 1, with);
    int delta = static_cast<int>(with.size()) - 1;
    r.startTagEnd = slash + static_cast<int>(opener.size()) - 1;
    r.endTagBegin = r.startTagEnd + 1 + length;
    r.endTagEnd = r.endTagBegin + 2 + static_cast<int>(name.size());
    ShiftOffsets(slash + 1, delta, index);
    NoteEdit(index);
    return true;
}

// What replaces the '/' of an empty element's start tag to open it. Normally ">"; when the
// character before the '/' is another '/', " >" so that the opened tag is not read back as empty.
std::string CXmlDocument::StartTagCloser(int slash) const {
    if (slash > 0 && text_[slash - 1] == '/')
        return " >";
    return ">";
}

int CXmlDocument::PreviousSibling(int index) const {
    int parent = records_[index].parent;
    int previous = 0;
    for (int i = records_[parent].firstChild; i && i != index; i = records_[i].nextSibling)
        previous = i;
    return previous;
}

// Skips whitespace after an insertion point when only a tag or the end of the text follows it,
// so that new lines go before the next tag instead of splitting a line break.
int CXmlDocument::SkipInsertWhitespace(int pos) const {
    int size = static_cast<int>(text_.size());
    int p = pos;
    while (p < size && IsSpaceByte(text_[p]))
        ++p;
    if (p == size || text_[p] == '<')
        return p;
    return pos;
}

bool CXmlDocument::InsertElement(bool asChild, const char* name, const char* text, bool before) {
    if (!name || !*name)
        return false;
    WriteHeldTexts();
    int container;
    int reference;
    if (asChild) {
        if (current_ == 0)
            return false;
        container = current_;
        reference = child_;
    } else {
        container = parent_;
        reference = current_;
        if (container == 0) {
            if (records_[0].firstChild != 0)
                return false;
            records_[0].endTagBegin = static_cast<int>(text_.size());
        }
    }

    std::string escaped = (text && *text) ? EscapeText(text, false) : std::string();
    std::string markup;
    if (text && *text)
        markup = "<" + std::string(name) + ">" + escaped + "</" + name + ">\r\n";
    else
        markup = "<" + std::string(name) + "/>\r\n";

    bool containerEmpty = container != 0 && IsEmptyElement(container);
    bool containerBare =
        container != 0 && !containerEmpty && records_[container].startTagEnd + 1 == records_[container].endTagBegin;
    int offset;
    if (reference)
        offset = before ? records_[reference].startTagBegin : records_[reference].endTagEnd + 1;
    else if (container == 0)
        offset = before ? 0 : static_cast<int>(text_.size());
    else if (containerEmpty)
        offset = records_[container].startTagEnd;
    else
        offset = before ? records_[container].startTagEnd + 1 : records_[container].endTagBegin;
    if (!containerEmpty)
        offset = SkipInsertWhitespace(offset);

    int index = NewRecord();
    ElementRecord& fresh = records_[index];
    fresh.parent = container;
    int elementStart = offset;
    if (containerEmpty) {
        // <p/> becomes <p>, CR LF, markup, </p>: the '/' is replaced.
        std::string containerName = GetTagNameAt(container);
        int slash = records_[container].endTagBegin;
        std::string opener = StartTagCloser(slash);
        std::string with = opener + "\r\n" + markup + "</" + containerName;
        ReplaceText(slash, slash + 1, with);
        ElementRecord& c = records_[container];
        c.startTagEnd = slash + static_cast<int>(opener.size()) - 1;
        elementStart = c.startTagEnd + 3;
        c.endTagBegin = elementStart + static_cast<int>(markup.size());
        c.endTagEnd = c.endTagBegin + 2 + static_cast<int>(containerName.size());
        ShiftOffsets(slash + 1, static_cast<int>(with.size()) - 1, container);
    } else if (containerBare) {
        ReplaceText(offset, offset, "\r\n" + markup);
        ShiftOffsets(offset, static_cast<int>(markup.size()) + 2, index);
        elementStart = offset + 2;
    } else {
        ReplaceText(offset, offset, markup);
        ShiftOffsets(offset, static_cast<int>(markup.size()), index);
    }

    ElementRecord& r = records_[index];
    int nameLength = static_cast<int>(strlen(name));
    r.startTagBegin = elementStart;
    if (text && *text) {
        r.startTagEnd = elementStart + 1 + nameLength;
        r.endTagBegin = r.startTagEnd + 1 + static_cast<int>(escaped.size());
        r.endTagEnd = r.endTagBegin + 2 + nameLength;
    } else {
        r.startTagEnd = elementStart + 2 + nameLength;
        r.endTagBegin = r.startTagEnd - 1;
        r.endTagEnd = r.startTagEnd;
    }

    // Link into the container's child list.
    int& first = records_[container].firstChild;
    if (reference) {
        if (before) {
            int previous = PreviousSibling(reference);
            r.nextSibling = reference;
            if (previous)
                records_[previous].nextSibling = index;
            else
                records_[container].firstChild = index;
        } else {
            r.nextSibling = records_[reference].nextSibling;
            records_[reference].nextSibling = index;
        }
    } else if (before || first == 0) {
        r.nextSibling = first;
        records_[container].firstChild = index;
    } else {
        int last = first;
        while (records_[last].nextSibling)
            last = records_[last].nextSibling;
        records_[last].nextSibling = index;
    }

    if (asChild) {
        child_ = index;
    } else {
        current_ = index;
        child_ = 0;
    }
    nodeFlag_ = 1;
    NoteEdit(container);
    return true;
}

// Marks an unlinked element and its descendants as removed. Their records are never reused; their
// offsets all become `at`, where the element was cut out, which keeps the parsed records in order.
void CXmlDocument::MarkRemoved(int index, int at) {
    std::vector<int> pending{index};
    while (!pending.empty()) {
        int i = pending.back();
        pending.pop_back();
        for (int c = records_[i].firstChild; c; c = records_[c].nextSibling)
            pending.push_back(c);
        ElementRecord& r = records_[i];
        r.parent = -1;
        r.startTagBegin = r.startTagEnd = r.endTagBegin = r.endTagEnd = at;
    }
}

bool CXmlDocument::AddElement(const char* name, const char* text, bool before) {
    return InsertElement(false, name, text, before);
}

bool CXmlDocument::AddChildElement(const char* name, const char* text, bool before) {
    return InsertElement(true, name, text, before);
}

bool CXmlDocument::RemoveElement() {
    if (current_ == 0 || nodeFlag_ != 1)
        return false;
    WriteHeldTexts();
    int index = current_;
    ElementRecord& r = records_[index];
    int container = r.parent;
    int previous = PreviousSibling(index);
    if (previous)
        records_[previous].nextSibling = r.nextSibling;
    else
        records_[container].firstChild = r.nextSibling;

    int begin = r.startTagBegin;
    int end = r.endTagEnd + 1;
    int size = static_cast<int>(text_.size());
    int p = end;
    while (p < size && IsSpaceByte(text_[p]))
        ++p;
    if (p == size || text_[p] == '<')
        end = p;
    ReplaceText(begin, end, std::string());
    r.nextSibling = 0;
    ShiftOffsets(end, begin - end, index);
    MarkRemoved(index, begin);
    NoteEdit(container);

    current_ = previous;
    child_ = 0;
    nodeFlag_ = current_ != 0;
    return true;
}

void CXmlDocument::NoteEdit(int index) {
    // A plain document whose notes nobody takes keeps at most this many.
    const size_t kMaxNotes = 4096;
    if (editNotesLost_)
        return;
    if (editNotes_.size() >= kMaxNotes) {
        editNotes_.clear();
        editNotesLost_ = true;
        return;
    }
    editNotes_.push_back(index);
}

bool CXmlDocument::TakeEditNotes(std::vector<int>& touched) {
    touched.clear();
    touched.swap(editNotes_);
    bool complete = !editNotesLost_;
    editNotesLost_ = false;
    return complete;
}
