#include "mime/MimeBody.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "mime/MimeChars.h"
#include "mime/MimeRegistry.h"

#ifdef _WIN32
#include <io.h>
#define RP_OPEN_FLAGS (O_CREAT | O_TRUNC | O_RDWR | O_BINARY)
#define RP_OPEN_MODE (S_IREAD | S_IWRITE)
#else
#include <unistd.h>
#define RP_OPEN_FLAGS (O_CREAT | O_TRUNC | O_RDWR)
#define RP_OPEN_MODE (S_IRUSR | S_IWUSR)
#endif

namespace {

const int kMaxInt = 0x7FFFFFFF;
const int kWriteChunk = 512;

// What may follow "--boundary" on a delimiter line: "--" (closing), blanks, then CR LF or the end
// of the text (*lineEnd = -1).
bool EndsDelimiterLine(const char* text, int size, int p, int* lineEnd, bool* closing) {
    *closing = p + 1 < size && text[p] == '-' && text[p + 1] == '-';
    if (*closing)
        p += 2;
    while (p < size && (text[p] == ' ' || text[p] == '\t'))
        ++p;
    if (p + 1 < size && text[p] == '\r' && text[p + 1] == '\n') {
        *lineEnd = p;
        return true;
    }
    if (p >= size || (p + 1 == size && text[p] == '\r')) {
        *lineEnd = -1;
        return true;
    }
    return false;
}

// True when a delimiter line ("--boundary" without the CR LF before it) starts right at `at`.
// Only a header ending in a lone CR puts such a line where no CR LF precedes it; writing the
// header back turns that CR into CR LF, and with it the line into a delimiter.
bool DelimiterLineAt(const char* text, int size, int at, const std::string& boundary, int* lineEnd, bool* closing) {
    const int m = static_cast<int>(boundary.size());
    if (at < 0 || size - at < 2 || m > size - at - 2 || text[at] != '-' || text[at + 1] != '-' ||
        memcmp(text + at + 2, boundary.data(), m) != 0)
        return false;
    return EndsDelimiterLine(text, size, at + 2 + m, lineEnd, closing);
}

// Finds "\r\n--" + boundary in linear time whatever the boundary looks like (a KMP automaton);
// memchr jumps to the next CR while nothing is matched, which is the common case.
class DelimiterFinder {
public:
    explicit DelimiterFinder(const std::string& boundary) : pattern_("\r\n--" + boundary), fail_(pattern_.size(), 0) {
        for (size_t i = 1, k = 0; i < pattern_.size(); ++i) {
            while (k > 0 && pattern_[i] != pattern_[k])
                k = fail_[k - 1];
            if (pattern_[i] == pattern_[k])
                ++k;
            fail_[i] = k;
        }
    }

    // Offset of the first delimiter at or after `from`, or -1.
    int Find(const char* text, int size, int from) const {
        const size_t m = pattern_.size();
        size_t k = 0;
        int i = std::max(from, 0);
        while (i < size) {
            if (k == 0) {
                const void* cr = memchr(text + i, '\r', size - i);
                if (!cr)
                    return -1;
                i = static_cast<int>(static_cast<const char*>(cr) - text);
            }
            while (k > 0 && text[i] != pattern_[k])
                k = fail_[k - 1];
            if (text[i] == pattern_[k])
                ++k;
            ++i;
            if (k == m)
                return i - static_cast<int>(m);
        }
        return -1;
    }

    // The next delimiter line at or after `from`: "--boundary", optional "--", blanks, CR LF.
    // A longer boundary that merely starts with ours is passed over. Returns its offset or -1;
    // *lineEnd is the offset of its CR LF, or -1 when the text ends before one.
    int FindLine(const char* text, int size, int from, int* lineEnd, bool* closing) const {
        const int m = static_cast<int>(pattern_.size());
        for (int pos = from;;) {
            int at = Find(text, size, pos);
            if (at < 0)
                return -1;
            if (EndsDelimiterLine(text, size, at + m, lineEnd, closing))
                return at;
            // Matches cannot overlap (the boundary holds no CR), so the search resumes after this one.
            pos = at + m;
        }
    }

private:
    std::string pattern_;
    std::vector<size_t> fail_;
};

std::string TransferEncoding(const MimeHeader& header) {
    std::string v = header.GetFieldValue("Content-Transfer-Encoding");
    size_t first = 0;
    while (first < v.size() && mimechars::IsSpace(v[first]))
        ++first;
    size_t last = v.size();
    while (last > first && mimechars::IsSpace(v[last - 1]))
        --last;
    return v.substr(first, last - first);
}

// Reads into `out` this header's Content-Type as it reads back once stored. Storing writes a bare
// line break in a value as a blank, and reading drops the blanks that start a value, so a part's
// nesting (media type and boundary) is decided on this field, not on the one as first read.
// False when the field is absent or cannot be written.
bool ReadBackContentType(const MimeHeader& header, MimeHeader& out) {
    const MimeField* field = header.FindField("Content-Type");
    if (!field)
        return false;
    std::string stored(field->GetLength(), '\0');
    int n = stored.empty() ? 0 : field->Store(&stored[0], static_cast<int>(stored.size()));
    return n > 0 && out.Load(stored.data(), n) > 0;
}

// The boundary that delimits the parts once stored, as reading it back will find it.
std::string StoredBoundary(const MimeHeader& header) {
    MimeHeader storedType;
    return ReadBackContentType(header, storedType) ? storedType.GetBoundary() : header.GetBoundary();
}

int Clamp(long long n) {
    return n > kMaxInt ? kMaxInt : static_cast<int>(n);
}

}  // namespace

void MimeBody::Clear() {
    DeleteAllParts();
    content_.reset();
    contentLength_ = 0;
    epilogue_.clear();
    MimeHeader::Clear();
}

int MimeBody::SetContent(const char* data, int length) {
    if (length == 0 && data)
        length = static_cast<int>(strlen(data));
    if (!data || length < 0)
        length = 0;
    char* buffer = new (std::nothrow) char[static_cast<size_t>(length) + 4];
    if (!buffer)
        return -1;
    if (length > 0)
        memcpy(buffer, data, length);
    memset(buffer + length, 0, 4);
    content_.reset(buffer);
    contentLength_ = length;
    return length;
}

int MimeBody::GetContent(std::string& out) const {
    out.assign(GetContentData(), contentLength_);
    return contentLength_;
}

bool MimeBody::WriteToFile(const std::string& path) const {
    if (contentLength_ == 0)
        return true;
    int fd = open(path.c_str(), RP_OPEN_FLAGS, RP_OPEN_MODE);
    if (fd < 0)
        return false;
    bool ok = true;
    for (int pos = 0; pos < contentLength_ && ok;) {
        int piece = std::min(kWriteChunk, contentLength_ - pos);
        int written = static_cast<int>(write(fd, content_.get() + pos, piece));
        ok = written > 0;
        pos += written;
    }
    return close(fd) == 0 && ok;
}

MimeBody* MimeBody::CreatePart(int mediaType, MimeBody* before) {
    std::unique_ptr<MimeBody> part = CreateBody(MediaTypeName(mediaType));
    part->depth_ = depth_ + 1;
    MimeBody* raw = part.get();
    auto it = std::find_if(parts_.begin(), parts_.end(), [before](const auto& p) { return p.get() == before; });
    parts_.insert(before ? it : parts_.end(), std::move(part));
    return raw;
}

void MimeBody::ErasePart(MimeBody* part) {
    parts_.remove_if([part](const auto& p) { return p.get() == part; });
}

void MimeBody::DeleteAllParts() {
    parts_.clear();
}

int MimeBody::GetAttachments(std::list<MimeBody*>& list) {
    if (GetMediaType() == kMediaMultipart) {
        int count = 0;
        for (auto& part : parts_)
            count += part->GetAttachments(list);
        return count;
    }
    if (GetName().empty())
        return 0;
    list.push_back(this);
    return 1;
}

int MimeBody::GetLength() const {
    long long total = MimeHeader::GetLength();
    std::unique_ptr<MimeCoder> coder = CreateBodyCoder(TransferEncoding(*this));
    coder->SetInput(content_.get(), contentLength_, true);
    total += coder->GetEncodeLength() + static_cast<long long>(strlen(coder->SoftBreak()));
    long long boundary = static_cast<long long>(StoredBoundary(*this).size());
    for (const auto& part : parts_)
        total += boundary + part->GetLength() + 6;
    total += boundary + 8 + static_cast<long long>(epilogue_.size());
    return Clamp(total);
}

int MimeBody::Store(char* buffer, int size) const {
    if (!buffer || size <= 0)
        return -1;
    int n = MimeHeader::Store(buffer, size);
    if (n <= 0)
        return -1;
    std::unique_ptr<MimeCoder> coder = CreateBodyCoder(TransferEncoding(*this));
    coder->SetInput(content_.get(), contentLength_, true);
    const int contentStart = n;
    n += coder->Encode(buffer + n, size - n);
    if (coder->Overflowed())
        return -1;
    // Reading takes the CR LF before the first delimiter line as the content's last line end. When
    // the encoded content ends without one, a soft break before that CR LF keeps it out of what is
    // decoded, so the content reads back as it is.
    const int softBreak = static_cast<int>(strlen(coder->SoftBreak()));
    const bool delimiterFollows = !parts_.empty() || !epilogue_.empty();
    if (delimiterFollows && softBreak > 0 && n > contentStart &&
        !(n - contentStart >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n')) {
        if (softBreak > size - n)
            return -1;
        memcpy(buffer + n, coder->SoftBreak(), softBreak);
        n += softBreak;
    }
    // A multipart read without parts but with an epilogue still writes its closing line, so that
    // the epilogue reads back as one.
    if (parts_.empty() && epilogue_.empty())
        return n;
    const std::string boundary = StoredBoundary(*this);
    if (boundary.empty())
        return parts_.empty() ? n : -1;
    const int blen = static_cast<int>(boundary.size());
    bool first = true;
    for (const auto& part : parts_) {
        int start = n;
        if (first && n >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n')
            start = n - 2;
        first = false;
        if (blen > size - start - 6)
            return -1;
        memcpy(buffer + start, "\r\n--", 4);
        memcpy(buffer + start + 4, boundary.data(), blen);
        memcpy(buffer + start + 4 + blen, "\r\n", 2);
        n = start + blen + 6;
        int written = part->Store(buffer + n, size - n);
        if (written < 0)
            return written;
        n += written;
    }
    // A message without its closing line would read back as truncated, so a buffer too small
    // for it fails the store rather than silently dropping the line.
    int start = n;
    if (parts_.empty() && n >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n')
        start = n - 2;
    const int epilogueLength = static_cast<int>(epilogue_.size());
    if (blen > size - start - 8 || epilogueLength > size - start - 8 - blen)
        return -1;
    memcpy(buffer + start, "\r\n--", 4);
    memcpy(buffer + start + 4, boundary.data(), blen);
    memcpy(buffer + start + 4 + blen, "--\r\n", 4);
    n = start + blen + 8;
    if (epilogueLength > 0)
        memcpy(buffer + n, epilogue_.data(), epilogueLength);
    return n + epilogueLength;
}

bool MimeBody::StoreToString(std::string& out) const {
    out.assign(GetLength(), '\0');
    int n = out.empty() ? -1 : Store(&out[0], static_cast<int>(out.size()));
    if (n < 0) {
        out.clear();
        return false;
    }
    out.resize(n);
    return true;
}

int MimeBody::Load(const char* text, int size) {
    if (!text || size <= 0)
        return 0;
    int pos = MimeHeader::Load(text, size);
    if (pos < 1)
        return pos;
    // A header that ends in a lone CR is written back ending in CR LF. Were a delimiter line of an
    // enclosing multipart right after that CR, the CR LF would make it one and split the enclosing
    // body on reading back. Such a header is not read: the enclosing body keeps the part's text,
    // unchanged, as the content of a part without fields.
    const bool crLfBefore = pos >= 2 && text[pos - 2] == '\r' && text[pos - 1] == '\n';
    for (const Enclosing* e = enclosing_; e && !crLfBefore; e = e->outer) {
        int unusedEnd = -1;
        bool unusedClosing = false;
        if (DelimiterLineAt(text, size, pos, e->boundary, &unusedEnd, &unusedClosing))
            return 0;
    }
    content_.reset();
    contentLength_ = 0;
    epilogue_.clear();

    std::string boundary;
    MimeHeader storedType;
    const MimeHeader& type = ReadBackContentType(*this, storedType) ? storedType : *this;
    if (depth_ < kMaxDepth && type.GetMediaType() == kMediaMultipart)
        boundary = type.GetBoundary();
    // A boundary with a line break in it can never start a delimiter line.
    if (boundary.find_first_of("\r\n") != std::string::npos)
        boundary.clear();
    int contentEnd = size;
    int delimiter = -1;
    int lineEnd = -1;
    bool closing = false;
    if (!boundary.empty()) {
        // Searching from the header's own CR LF lets a delimiter right after it give empty content.
        // A header ending in a lone CR right before a delimiter line finds that line, as it will
        // once stored with CR LF.
        if (!crLfBefore && DelimiterLineAt(text, size, pos, boundary, &lineEnd, &closing)) {
            delimiter = pos;
            contentEnd = pos;
        } else {
            delimiter = DelimiterFinder(boundary).FindLine(text, size, pos - 2, &lineEnd, &closing);
            if (delimiter >= 0)
                contentEnd = delimiter + 2;
        }
    }
    if (contentEnd > pos) {
        std::unique_ptr<MimeCoder> coder = CreateBodyCoder(TransferEncoding(*this));
        coder->SetInput(text + pos, contentEnd - pos, false);
        long long capacity = static_cast<long long>(coder->GetDecodeLength()) + 4;
        char* buffer = capacity > kMaxInt ? nullptr : new (std::nothrow) char[capacity];
        if (!buffer)
            return -1;
        content_.reset(buffer);
        int decoded = coder->Decode(buffer, static_cast<int>(capacity) - 4);
        if (decoded < 0)
            return decoded;
        memset(buffer + decoded, 0, 4);
        contentLength_ = decoded;
    }
    if (contentEnd >= size)
        return size;
    if (lineEnd < 0)
        return size;  // the delimiter line is cut off: nothing more to read
    if (closing) {
        epilogue_.assign(text + lineEnd + 2, size - (lineEnd + 2));
        return lineEnd + 2;
    }
    return LoadParts(text, size, lineEnd + 2, boundary);
}

int MimeBody::LoadParts(const char* text, int size, int partStart, const std::string& boundary) {
    DelimiterFinder finder(boundary);
    const Enclosing enclosing{boundary, enclosing_};
    for (;;) {
        int lineEnd = -1;
        bool closing = false;
        int next = finder.FindLine(text, size, partStart - 2, &lineEnd, &closing);
        int partEnd = next < 0 ? size : std::max(next, partStart);
        int partSize = partEnd - partStart;

        MimeHeader probe;
        probe.Load(text + partStart, partSize);
        std::unique_ptr<MimeBody> part = CreateBody(probe.GetMainType());
        part->depth_ = depth_ + 1;
        // An empty part (two delimiter lines in a row) is a part without header or content.
        if (partSize > 0) {
            part->enclosing_ = &enclosing;
            int result = part->Load(text + partStart, partSize);
            part->enclosing_ = nullptr;
            if (result < 0)
                return result;
            if (result == 0) {
                // The header cannot be read (no empty line before the next delimiter, say). One
                // bad part must not lose the message: its text becomes the content of a part
                // without fields, which stores back with its bytes unchanged.
                part = CreateBody(MediaTypeName(kMediaText));
                part->depth_ = depth_ + 1;
                if (part->SetContent(text + partStart, partSize) < 0)
                    return -1;
            }
        }
        parts_.push_back(std::move(part));
        if (next < 0 || lineEnd < 0)
            return size;
        if (closing) {
            epilogue_.assign(text + lineEnd + 2, size - (lineEnd + 2));
            return lineEnd + 2;
        }
        partStart = lineEnd + 2;
    }
}
