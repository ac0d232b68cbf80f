// Base64 coder. The body form breaks encoded lines after 76 characters; the form used inside
// header encoded words writes one unbroken run.
#pragma once

#include "mime/MimeCoder.h"

class MimeBase64Coder : public MimeCoder {
public:
    explicit MimeBase64Coder(bool lineBreaks = true) : lineBreaks_(lineBreaks) {}

    int GetEncodeLength() const override;
    int GetDecodeLength() const override;
    int Encode(char* out, int capacity) override;
    int Decode(char* out, int capacity) override;

    // Shared with header encoded words. Decoding skips every byte outside the alphabet (line
    // ends, blanks) and stops at the first '='; a last group of 2 or 3 characters still gives 1 or
    // 2 bytes.
    static int EncodeBytes(const char* in, int length, char* out, int capacity, bool lineBreaks, bool* overflowed);
    static int DecodeBytes(const char* in, int length, char* out, int capacity, bool* overflowed);
    static int EncodedLength(int length, bool lineBreaks);

private:
    bool lineBreaks_;
};
