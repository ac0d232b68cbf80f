// Quoted-printable body coder. Encoded lines stay within 76 columns; a soft break prefers the
// position after the line's last space or tab.
#pragma once

#include "mime/MimeCoder.h"

class MimeQpCoder : public MimeCoder {
public:
    int GetEncodeLength() const override;
    int GetDecodeLength() const override { return length_; }
    int Encode(char* out, int capacity) override;
    int Decode(char* out, int capacity) override;
    const char* SoftBreak() const override { return "="; }

    // Decodes `length` bytes at `in`. With `qWord` (the Q form of header encoded words) '_'
    // stands for a space; in bodies it is literal. Sets *overflowed when `capacity` was too small.
    static int DecodeBytes(const char* in, int length, char* out, int capacity, bool qWord, bool* overflowed);
};
