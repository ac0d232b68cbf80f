#include "mime/MimeBase64Coder.h"

#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const int kLineChars = 76;
// Line ends, blanks and any other byte outside the alphabet are passed over: senders fold and
// indent base64 freely. Only the padding ends the data.
const unsigned char kSkip = 0xFE;
const unsigned char kStop = 0xFF;  // '='

struct DecodeTable {
    unsigned char v[256];
    DecodeTable() {
        memset(v, kSkip, sizeof(v));
        for (int i = 0; i < 64; ++i)
            v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
        v[static_cast<unsigned char>('=')] = kStop;
    }
};

const DecodeTable kDecode;

}  // namespace

int MimeBase64Coder::EncodedLength(int length, bool lineBreaks) {
    long long chars = (static_cast<long long>(length) + 2) / 3 * 4;
    long long total = chars + 2 * (chars / kLineChars) + (lineBreaks ? 2 : 0);
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

int MimeBase64Coder::GetEncodeLength() const {
    return EncodedLength(length_, lineBreaks_);
}

int MimeBase64Coder::GetDecodeLength() const {
    return static_cast<int>(static_cast<long long>(length_) * 3 / 4 + 2);
}

int MimeBase64Coder::Encode(char* out, int capacity) {
    return EncodeBytes(input_, length_, out, capacity, lineBreaks_, &overflowed_);
}

int MimeBase64Coder::Decode(char* out, int capacity) {
    return DecodeBytes(input_, length_, out, capacity, &overflowed_);
}

int MimeBase64Coder::EncodeBytes(const char* text,
                                 int length,
                                 char* out,
                                 int capacity,
                                 bool lineBreaks,
                                 bool* overflowed) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    *overflowed = false;
    int o = 0;
    int line = 0;
    int i = 0;
    while (i < length) {
        if (o + 4 > capacity) {
            *overflowed = true;
            return o;
        }
        unsigned b0 = in[i];
        unsigned b1 = i + 1 < length ? in[i + 1] : 0;
        unsigned b2 = i + 2 < length ? in[i + 2] : 0;
        out[o] = kAlphabet[b0 >> 2];
        out[o + 1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out[o + 2] = i + 1 < length ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        out[o + 3] = i + 2 < length ? kAlphabet[b2 & 63] : '=';
        o += 4;
        i += 3;
        line += 4;
        if (lineBreaks && line == kLineChars) {
            if (o + 2 > capacity) {
                *overflowed = true;
                return o;
            }
            out[o++] = '\r';
            out[o++] = '\n';
            line = 0;
        }
    }
    if (lineBreaks && line > 0) {
        if (o + 2 > capacity) {
            *overflowed = true;
            return o;
        }
        out[o++] = '\r';
        out[o++] = '\n';
    }
    return o;
}

int MimeBase64Coder::DecodeBytes(const char* text, int length, char* out, int capacity, bool* overflowed) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    *overflowed = false;
    int o = 0;
    unsigned acc = 0;
    int have = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char v = kDecode.v[in[i]];
        if (v == kSkip)
            continue;
        if (v == kStop)
            break;
        acc = (acc << 6) | v;
        if (++have == 4) {
            if (o + 3 > capacity) {
                *overflowed = true;
                return o;
            }
            out[o] = static_cast<char>(acc >> 16);
            out[o + 1] = static_cast<char>(acc >> 8);
            out[o + 2] = static_cast<char>(acc);
            o += 3;
            acc = 0;
            have = 0;
        }
    }
    // A last group of 2 or 3 characters carries 1 or 2 whole bytes; a single character carries none.
    int tail = have == 3 ? 2 : have == 2 ? 1 : 0;
    if (tail > 0) {
        if (o + tail > capacity) {
            *overflowed = true;
            return o;
        }
        acc <<= 6 * (4 - have);
        out[o++] = static_cast<char>(acc >> 16);
        if (tail == 2)
            out[o++] = static_cast<char>(acc >> 8);
    }
    return o;
}
