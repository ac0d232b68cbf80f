#include "mime/MimeQpCoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const char kHex[] = "0123456789ABCDEF";
// Longest line before the soft-break '=': 75 characters, so that lines are at most 76 columns.
const int kMaxLine = 75;

// Per-byte classes for the encoder, built once.
enum ByteKind : unsigned char { kPlain, kEscape, kBlank, kDot, kDash, kLineEnd };

struct KindTable {
    unsigned char kind[256];
    // How a byte is written when its neighbours do not matter: its bytes, then their count in the
    // fourth byte (0 for dots, dashes and line ends, whose form depends on them). A blank is
    // written as it is; Encode escapes it when a CR follows. Stores copy all four bytes: the
    // count byte lands where the next write goes.
    unsigned char form[256][4];
    KindTable() {
        for (int c = 0; c < 256; ++c)
            kind[c] = (c >= '!' && c <= '~' && c != '=') ? kPlain : kEscape;
        kind[static_cast<unsigned char>(' ')] = kBlank;
        kind[static_cast<unsigned char>('\t')] = kBlank;
        kind[static_cast<unsigned char>('.')] = kDot;
        kind[static_cast<unsigned char>('-')] = kDash;
        kind[static_cast<unsigned char>('\r')] = kLineEnd;
        kind[static_cast<unsigned char>('\n')] = kLineEnd;
        for (int c = 0; c < 256; ++c) {
            unsigned char* f = form[c];
            if (kind[c] == kPlain || kind[c] == kBlank) {
                f[0] = static_cast<unsigned char>(c);
                f[1] = f[2] = 0;
                f[3] = 1;
            } else {
                f[0] = '=';
                f[1] = static_cast<unsigned char>(kHex[c >> 4]);
                f[2] = static_cast<unsigned char>(kHex[c & 15]);
                f[3] = kind[c] == kEscape ? 3 : 0;
            }
        }
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

// The offset just after the last blank of the output line [lineStart, o) past its first column,
// or -1: where a soft break goes. Blank bytes in the output are always literal blanks (escapes
// are written as '=' and hex digits).
int LastBreak(const char* out, int lineStart, int o) {
    for (int p = o - 1; p > lineStart; --p) {
        if (out[p] == ' ' || out[p] == '\t')
            return p + 1;
    }
    return -1;
}

// Decoding: the value of a first escape digit (either case; 16 and above when it is none) and of
// a second one, which takes any byte by its low four bits after the digit/letter adjustment (so
// 'a' and 'A' give the same value).
struct HexTable {
    unsigned char high[256];
    unsigned char low[256];
    HexTable() {
        for (unsigned c = 0; c < 256; ++c) {
            high[c] = 0xFF;
            if (c >= '0' && c <= '9')
                high[c] = static_cast<unsigned char>(c - '0');
            else if (c >= 'A' && c <= 'F')
                high[c] = static_cast<unsigned char>(c - 'A' + 10);
            else if (c >= 'a' && c <= 'f')
                high[c] = static_cast<unsigned char>(c - 'a' + 10);
            low[c] = static_cast<unsigned char>((c <= '9' ? c - '0' : c - 'A' + 10u) & 15u);
        }
    }
};

const HexTable kHexTable;

// Decodes body text eight bytes at a time while ten remain: each step stores the eight bytes as
// they are, keeps those before the first '=', then decodes what that '=' starts and any escapes
// right after it. Leaves in *pos and *written where the general loop goes on. `out` must have
// room for `length` bytes: decoding never lengthens, so the eight-byte stores end within that
// room too (the bytes past *written are scratch).
void DecodeBodyRun(const unsigned char* in, int length, unsigned char* out, int* pos, int* written) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (length < 10)
        return;
    const uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t kEquals = kOnes * '=';
    const uint64_t kTops = kOnes * 0x80;
    const unsigned char* p = in;
    const unsigned char* const stop = in + length - 10;  // a '=' found at p + 7 still has two bytes after it
    unsigned char* q = out;
    while (p <= stop) {
        uint64_t w;
        memcpy(&w, p, 8);
        memcpy(q, &w, 8);
        const uint64_t x = w ^ kEquals;
        // Flags the bytes equal to '='; a flag above a true one may be false, the lowest never is.
        const uint64_t found = (x - kOnes) & ~x & kTops;
        if (found == 0) {
            p += 8;
            q += 8;
            continue;
        }
        const unsigned k = static_cast<unsigned>(__builtin_ctzll(found)) >> 3;
        p += k;
        q += k;
        // 8-bit text has its escapes back to back: they are taken here without a new search.
        do {
            const unsigned h = kHexTable.high[p[1]];
            if (h < 16) {
                *q++ = static_cast<unsigned char>(h << 4 | kHexTable.low[p[2]]);
                p += 3;
            } else if (p[1] == '\r' && p[2] == '\n') {
                p += 3;  // soft line break
            } else {
                *q++ = p[1];  // not an escape: the '=' is dropped, the next byte kept
                p += 2;
            }
        } while (p <= stop && *p == '=');
    }
    *pos = static_cast<int>(p - in);
    *written = static_cast<int>(q - out);
#else
    (void)in;
    (void)length;
    (void)out;
    (void)pos;
    (void)written;
#endif
}

}  // namespace

int MimeQpCoder::GetEncodeLength() const {
    // Each escape adds 2 bytes; between two soft breaks a line gains at least 36 characters on
    // average (a break after a space can leave a long tail, but then the next line cannot).
    // Counted as branch-free arithmetic so that the compiler can take many bytes per step.
    long long sum = length_;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(input_);
    for (int start = 0; start < length_;) {
        const int end = start + std::min(length_ - start, 1 << 20);
        unsigned nonAlnum = 0;
        for (int i = start; i < end; ++i) {
            const unsigned char c = in[i];
            const bool digit = static_cast<unsigned char>(c - '0') < 10;
            const bool letter = static_cast<unsigned char>((c | 0x20) - 'a') < 26;
            nonAlnum += !(digit | letter);
        }
        sum += 2LL * nonAlnum;
        start = end;
    }
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
    int i = 0;
    while (i < n) {
        // Plain bytes, escapes and blanks, while the line has room for any of them (three bytes)
        // and the buffer for a four-byte store. The last byte, dots, dashes, line ends and the end
        // of each line go through the general case below.
        const int limit = std::min(lineStart + kMaxLine - 3, capacity - 4);
        if (o <= limit && i < n - 1) {
            const unsigned char* p = in + i;
            const unsigned char* const last = in + n - 1;
            char* q = out + o;
            char* const qLimit = out + limit;
            while (p < last && q <= qLimit) {
                const unsigned char* f = kTable.form[*p];
                const unsigned width = f[3];
                if (width == 0)
                    break;
                memcpy(q, f, 4);
                q += width;
                ++p;
            }
            i = static_cast<int>(p - in);
            o = static_cast<int>(q - out);
        }
        const unsigned char c = in[i];
        if (c == '\r' || c == '\n') {
            // Only the loop above writes a blank byte right before a CR, and it left room on the
            // line and in the buffer for that blank's escape, which a blank ending a line needs.
            if (c == '\r' && o > lineStart && (out[o - 1] == ' ' || out[o - 1] == '\t')) {
                const unsigned char blank = static_cast<unsigned char>(out[o - 1]);
                out[o - 1] = '=';
                out[o] = kHex[blank >> 4];
                out[o + 1] = kHex[blank & 15];
                o += 2;
            }
            if (o >= capacity) {
                overflowed_ = true;
                return o;
            }
            out[o++] = static_cast<char>(c);
            lineStart = o;
            ++i;
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
            const int breakAt = LastBreak(out, lineStart, o);
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
        } else {
            out[o++] = '=';
            out[o++] = kHex[c >> 4];
            out[o++] = kHex[c & 15];
        }
        ++i;
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
    // Bodies: the fast loop takes all but the last few bytes; the general loop below finishes
    // them and decodes header words.
    if (!qWord && capacity >= length)
        DecodeBodyRun(in, length, reinterpret_cast<unsigned char*>(out), &i, &o);
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
            if (kHexTable.high[h] < 16 && i + 2 < length) {
                b = static_cast<unsigned char>(kHexTable.high[h] << 4 | kHexTable.low[in[i + 2]]);
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
