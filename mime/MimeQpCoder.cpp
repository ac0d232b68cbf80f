#include "mime/MimeQpCoder.h"

#include <cstring>

#include "mime/MimeChars.h"

namespace {

const char kHex[] = "0123456789ABCDEF";
// Longest line before the soft-break '=': 75 characters, so that lines are at most 76 columns.
const int kMaxLine = 75;

// Per-byte classes for the encoder, built once: most bytes need only one table look-up.
enum ByteKind : unsigned char { kPlain, kEscape, kBlank, kDot, kDash, kLineEnd };

struct KindTable {
    unsigned char kind[256];
    unsigned char extra[256];  // bytes an escape may add: the estimate's 2 per non-alphanumeric byte
    KindTable() {
        for (int c = 0; c < 256; ++c) {
            kind[c] = (c >= '!' && c <= '~' && c != '=') ? kPlain : kEscape;
            extra[c] = mimechars::IsAlnum(static_cast<unsigned char>(c)) ? 0 : 2;
        }
        kind[static_cast<unsigned char>(' ')] = kBlank;
        kind[static_cast<unsigned char>('\t')] = kBlank;
        kind[static_cast<unsigned char>('.')] = kDot;
        kind[static_cast<unsigned char>('-')] = kDash;
        kind[static_cast<unsigned char>('\r')] = kLineEnd;
        kind[static_cast<unsigned char>('\n')] = kLineEnd;
    }
};

const KindTable kTable;

bool IsLiteral(const unsigned char* in, int n, int i) {
    switch (kTable.kind[in[i]]) {
        case kPlain:
        case kDash:
            return true;
        case kBlank:
            return i + 1 < n && in[i + 1] != '\r';
        case kDot:
            // A lone dot would end the article on the wire.
            return !(i >= 2 && in[i - 2] == '\r' && in[i - 1] == '\n' && i + 2 < n && in[i + 1] == '\r' &&
                     in[i + 2] == '\n');
        default:
            return false;
    }
}

}  // namespace

int MimeQpCoder::GetEncodeLength() const {
    // Each escape adds 2 bytes; between two soft breaks a line gains at least 36 characters on
    // average (a break after a space can leave a long tail, but then the next line cannot).
    long long sum = length_;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(input_);
    for (int i = 0; i < length_; ++i)
        sum += kTable.extra[in[i]];
    long long total = sum + 6 * (sum / 72 + 1) + 3;
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

// An output line that begins with "--" could be read as a multipart delimiter once the body is
// stored inside a message, so its first '-' is escaped. Only the line's first byte is checked;
// the estimate already counts 2 extra bytes for every '-'.
int MimeQpCoder::Encode(char* out, int capacity) {
    overflowed_ = false;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(input_);
    const int n = length_;
    int o = 0;
    int lineStart = 0;
    int breakAt = -1;  // output offset just after the line's last literal blank past its first column
    for (int i = 0; i < n; ++i) {
        unsigned char c = in[i];
        // Fast paths for what fits on the line as it is: a plain character, a byte that is always
        // escaped, and a blank that does not end its line. The general case below gives the same
        // bytes for each of them.
        const unsigned char kind = kTable.kind[c];
        const int room = kMaxLine - (o - lineStart);
        if (kind == kPlain && room >= 1 && o < capacity) {
            out[o++] = static_cast<char>(c);
            continue;
        }
        if (kind == kEscape && room >= 3 && capacity - o >= 3) {
            out[o] = '=';
            out[o + 1] = kHex[c >> 4];
            out[o + 2] = kHex[c & 15];
            o += 3;
            continue;
        }
        if (kind == kBlank && room >= 1 && o < capacity && i + 1 < n && in[i + 1] != '\r') {
            out[o++] = static_cast<char>(c);
            if (o - 1 > lineStart)
                breakAt = o;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (o >= capacity) {
                overflowed_ = true;
                return o;
            }
            out[o++] = static_cast<char>(c);
            lineStart = o;
            breakAt = -1;
            continue;
        }
        bool literal = IsLiteral(in, n, i);
        int itemLen = literal ? 1 : 3;
        while (o - lineStart + itemLen > kMaxLine) {
            if (o + 3 > capacity) {
                overflowed_ = true;
                return o;
            }
            // Moving the tail down is skipped when that tail would start the new line with "--".
            bool moveTail = breakAt > lineStart;
            if (moveTail && breakAt < o && out[breakAt] == '-')
                moveTail = !(breakAt + 1 < o ? out[breakAt + 1] == '-' : c == '-');
            if (moveTail) {
                memmove(out + breakAt + 3, out + breakAt, o - breakAt);
                memcpy(out + breakAt, "=\r\n", 3);
                o += 3;
                lineStart = breakAt + 3;
            } else {
                memcpy(out + o, "=\r\n", 3);
                o += 3;
                lineStart = o;
            }
            breakAt = -1;
        }
        if (c == '-' && o == lineStart && i + 1 < n && in[i + 1] == '-') {
            literal = false;
            itemLen = 3;
        }
        if (o + itemLen > capacity) {
            overflowed_ = true;
            return o;
        }
        if (literal) {
            out[o++] = static_cast<char>(c);
            if ((c == ' ' || c == '\t') && o - 1 > lineStart)
                breakAt = o;
        } else {
            out[o++] = '=';
            out[o++] = kHex[c >> 4];
            out[o++] = kHex[c & 15];
        }
    }
    return o;
}

int MimeQpCoder::Decode(char* out, int capacity) {
    return DecodeBytes(input_, length_, out, capacity, false, &overflowed_);
}

int MimeQpCoder::DecodeBytes(const char* text, int length, char* out, int capacity, bool qWord, bool* overflowed) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    int o = 0;
    int i = 0;
    *overflowed = false;
    while (i < length) {
        unsigned char c = in[i];
        unsigned char b;
        if (c == '=') {
            if (i + 2 < length && in[i + 1] == '\r' && in[i + 2] == '\n') {
                i += 3;  // soft line break
                continue;
            }
            if (i + 1 >= length)
                break;  // a trailing '=' is dropped
            unsigned char h = in[i + 1];
            // Escapes are written in upper case, but mail programs do send "=c3=a9".
            if ((mimechars::IsHexDigit(h) || (h >= 'a' && h <= 'f')) && i + 2 < length) {
                unsigned char l = in[i + 2];
                unsigned hi = h <= '9' ? h - '0' : (mimechars::ToUpper(h) - 'A' + 10);
                // Any second byte is accepted; only its low four bits count after the
                // digit/letter adjustment, so 'a' and 'A' give the same value.
                unsigned lo = (l <= '9' ? l - '0' : l - 'A' + 10u) & 15u;
                b = static_cast<unsigned char>(hi << 4 | lo);
                i += 3;
            } else {
                // Not an escape: the '=' is dropped and the next byte kept as it is.
                b = h;
                i += 2;
            }
        } else {
            b = (qWord && c == '_') ? ' ' : c;
            ++i;
        }
        if (o >= capacity) {
            *overflowed = true;
            break;
        }
        out[o++] = static_cast<char>(b);
    }
    return o;
}
