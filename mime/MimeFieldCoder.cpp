#include "mime/MimeFieldCoder.h"

#include <algorithm>
#include <cstring>

#include "mime/MimeBase64Coder.h"
#include "mime/MimeChars.h"
#include "mime/MimeQpCoder.h"

using mimechars::IsSpace;
using mimechars::IsSpecial;

namespace {

const char kHex[] = "0123456789ABCDEF";
// Room for payload in one encoded word, after "=?", the charset, "?X?" and "?=", so that a word
// stays near 75 columns.
const int kWordBudget = 68;

bool IsQLiteral(unsigned char c) {
    return (c >= '!' && c <= '<') || c == '>' || (c >= '@' && c <= '^') || (c >= '`' && c <= '~');
}

// A charset name in an encoded word. Stopping at '=' and '?' keeps the scan of a candidate word
// within the stretch before the next "=?", so hostile runs of "=?x?y?" stay linear.
bool IsCharsetByte(unsigned char c) {
    return c != '?' && c != '=' && !IsSpace(c) && !mimechars::IsControl(c);
}

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// "=?" in text written as it is would be taken for the start of an encoded word when the field
// is read again.
bool StartsWordLookalike(const char* in, int n, int i) {
    return in[i] == '=' && i + 1 < n && in[i + 1] == '?';
}

// A CR or LF belongs to a fold only as part of CR LF followed by a blank. Any other one, written
// as it is, would end the header line (or the whole header) for whoever reads the message next.
bool IsBareLineBreak(const char* in, int n, int i) {
    if (in[i] == '\r')
        return !(i + 2 < n && in[i + 1] == '\n' && IsBlank(in[i + 2]));
    if (in[i] == '\n')
        return !(i >= 1 && in[i - 1] == '\r' && i + 1 < n && IsBlank(in[i + 1]));
    return false;
}

}  // namespace

// Writes into `out` up to `capacity`, or only counts when `out` is null.
struct MimeFieldCoder::Writer {
    char* out;
    int capacity;
    int n = 0;
    bool overflowed = false;
    // The offset where the last encoded word ended (-1: something else came after it), and the
    // whitespace of the value written since then.
    int encodedEnd = -1;
    std::string blanks;

    Writer(char* o, int c) : out(o), capacity(c) {}
    void Put(const char* p, int len) {
        if (overflowed)
            return;
        if (out) {
            if (n + len > capacity) {
                overflowed = true;
                return;
            }
            memcpy(out + n, p, len);
        }
        n += len;
    }
    void Put(char c) { Put(&c, 1); }
    void Put(const std::string& s) { Put(s.data(), static_cast<int>(s.size())); }
};

int MimeFieldCoder::GetEncodeLength() const {
    Writer w(nullptr, 0);
    EncodeTo(w);
    return w.n;
}

int MimeFieldCoder::Encode(char* out, int capacity) {
    Writer w(out, capacity);
    EncodeTo(w);
    overflowed_ = w.overflowed;
    return std::min(w.n, capacity);
}

std::string MimeFieldCoder::EncodeValue(const std::string& value) {
    SetInput(value.data(), static_cast<int>(value.size()), true);
    std::string out(GetEncodeLength(), '\0');
    out.resize(Encode(&out[0], static_cast<int>(out.size())));
    return out;
}

void MimeFieldCoder::EncodeTo(Writer& w) const {
    const char* in = input_;
    const int n = length_;
    if (charset_.empty()) {
        // Without a character set nothing can be encoded, so a bare line break becomes a blank.
        int run = 0;
        for (int i = 0; i < n; ++i) {
            if ((in[i] == '\r' || in[i] == '\n') && IsBareLineBreak(in, n, i)) {
                w.Put(in + run, i - run);
                w.Put(' ');
                run = i + 1;
            }
        }
        w.Put(in + run, n - run);
        return;
    }
    if (kind_ == kText) {
        EncodeWord(w, std::string(in, n));
        return;
    }
    int i = 0;
    while (i < n) {
        int start = i;
        // A bare line break or a "=?" is no word boundary: it stays in the word, which it forces
        // to be encoded.
        while (i < n &&
               ((!IsSpace(in[i]) && !IsSpecial(in[i])) || IsBareLineBreak(in, n, i) || StartsWordLookalike(in, n, i)))
            ++i;
        if (i > start)
            EncodeWord(w, std::string(in + start, i - start));
        if (i >= n)
            break;
        unsigned char c = in[i++];
        if (c == '"' || c == '(' || c == '<') {
            char close = c == '"' ? '"' : c == '(' ? ')' : '>';
            w.Put(static_cast<char>(c));
            w.encodedEnd = -1;
            start = i;
            while (i < n && in[i] != close)
                ++i;
            if (i > start)
                EncodeWord(w, std::string(in + start, i - start));
            if (i < n) {
                w.Put(close);
                w.encodedEnd = -1;
                ++i;
            }
            continue;
        }
        w.Put(static_cast<char>(c));
        if (!IsSpace(c))
            w.encodedEnd = -1;
        else if (w.encodedEnd >= 0)
            w.blanks.push_back(static_cast<char>(c));
        if ((kind_ == kAddress && (c == ',' || c == ':')) || (kind_ == kParameter && c == ';')) {
            w.Put("\r\n\t", 3);
            while (i < n && IsSpace(in[i]))
                ++i;
        }
    }
}

void MimeFieldCoder::EncodeWord(Writer& w, const std::string& word) const {
    // k counts the bytes that cannot be written as they are: 8-bit ones, bare line breaks and
    // the '=' of a "=?".
    int k = 0;
    const int wordLength = static_cast<int>(word.size());
    for (int i = 0; i < wordLength; ++i) {
        if (mimechars::Is8Bit(word[i]) || IsBareLineBreak(word.data(), wordLength, i) ||
            StartsWordLookalike(word.data(), wordLength, i))
            ++k;
    }
    if (k == 0) {
        w.Put(word);
        w.encodedEnd = -1;
        return;
    }
    // Readers drop whitespace (folds included) between two encoded words, so the whitespace of
    // the value that separates two of them travels inside the second word instead.
    std::string bytes;
    if (w.encodedEnd >= 0 && !w.blanks.empty()) {
        bytes = w.blanks;
        w.n = w.encodedEnd;
        w.Put(' ');  // the words still need a separator of their own
        for (char c : bytes)
            k += (c == ' ' || c == '\t') ? 0 : 1;
    }
    bytes += word;
    const int n = static_cast<int>(bytes.size());
    const int csLen = static_cast<int>(charset_.size());
    if ((n + 2LL) / 3 * 4 < n + 2LL * k && n < 5LL * k) {
        // At most 51 input bytes per word (68 / 4 * 3), so 68 base64 characters fit in buf.
        int chunk = std::max((kWordBudget - csLen) / 4 * 3, 3);
        char buf[96];
        for (int pos = 0; pos < n; pos += chunk) {
            if (pos > 0)
                w.Put(' ');
            w.Put("=?", 2);
            w.Put(charset_);
            w.Put("?B?", 3);
            int len = std::min(chunk, n - pos);
            bool overflowed;
            w.Put(buf, MimeBase64Coder::EncodeBytes(bytes.data() + pos, len, buf, sizeof(buf), false, &overflowed));
            w.Put("?=", 2);
        }
    } else {
        const int budget = std::max(kWordBudget - csLen, 3);
        w.Put("=?", 2);
        w.Put(charset_);
        w.Put("?Q?", 3);
        int payload = 0;
        for (unsigned char c : bytes) {
            int itemLen = IsQLiteral(c) ? 1 : 3;
            if (payload + itemLen > budget) {
                w.Put("?= =?", 5);
                w.Put(charset_);
                w.Put("?Q?", 3);
                payload = 0;
            }
            if (itemLen == 1) {
                w.Put(static_cast<char>(c));
            } else {
                char esc[3] = {'=', kHex[c >> 4], kHex[c & 15]};
                w.Put(esc, 3);
            }
            payload += itemLen;
        }
        w.Put("?=", 2);
    }
    w.encodedEnd = w.n;
    w.blanks.clear();
}

int MimeFieldCoder::Decode(char* out, int capacity) {
    std::string decoded = DecodeToString();
    int n = static_cast<int>(decoded.size());
    overflowed_ = n > capacity;
    if (overflowed_)
        n = std::max(capacity, 0);
    if (n > 0)
        memcpy(out, decoded.data(), n);
    return n;
}

std::string MimeFieldCoder::DecodeValue(const std::string& value) {
    SetInput(value.data(), static_cast<int>(value.size()), false);
    return DecodeToString();
}

std::string MimeFieldCoder::DecodeToString() {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(input_);
    const int n = length_;
    std::string out;
    out.reserve(n);
    std::string found;
    bool afterWord = false;  // the last item was an encoded word
    size_t blankMark = std::string::npos;
    int i = 0;
    while (i < n) {
        unsigned char c = in[i];
        if (c == '=' && i + 1 < n && in[i + 1] == '?') {
            int j = i + 2;
            while (j < n && IsCharsetByte(in[j]))
                ++j;
            if (j > i + 2 && j + 3 < n && in[j] == '?' && IsLetter(in[j + 1]) && in[j + 2] == '?') {
                unsigned char letter = mimechars::ToUpper(in[j + 1]);
                int payload = j + 3;
                int end = payload;
                while (end + 1 < n && !(in[end] == '?' && in[end + 1] == '='))
                    ++end;
                int next;
                if (end + 1 < n) {
                    next = end + 2;
                } else {
                    end = n;
                    next = n;
                }
                if (letter == 'B' || letter == 'Q') {
                    if (afterWord && blankMark != std::string::npos)
                        out.resize(blankMark);
                    size_t at = out.size();
                    int len = end - payload;
                    out.resize(at + len);
                    bool overflowed;
                    int got = letter == 'B'
                                  ? MimeBase64Coder::DecodeBytes(input_ + payload, len, &out[at], len, &overflowed)
                                  : MimeQpCoder::DecodeBytes(input_ + payload, len, &out[at], len, true, &overflowed);
                    out.resize(at + got);
                    if (found.empty())
                        found.assign(input_ + i + 2, j - i - 2);
                    afterWord = true;
                } else {
                    out.append(input_ + i, next - i);
                    afterWord = false;
                }
                blankMark = std::string::npos;
                i = next;
                continue;
            }
        }
        if (IsSpace(c)) {
            if (afterWord && blankMark == std::string::npos)
                blankMark = out.size();
        } else {
            afterWord = false;
            blankMark = std::string::npos;
        }
        out.push_back(static_cast<char>(c));
        ++i;
    }
    charset_ = found;
    return out;
}
