// The one interface behind every transformation between stored message text and decoded bytes:
// body transfer encodings and header field coders. A coder borrows its input: the bytes given to
// SetInput must stay valid until the last Encode/Decode/estimate call.
#pragma once

#include <string>

class MimeCoder {
public:
    virtual ~MimeCoder() = default;

    // `encode` says which direction GetOutputLength/GetOutput use; Encode and Decode can be called
    // directly regardless of it.
    void SetInput(const char* input, int length, bool encode) {
        input_ = input;
        length_ = (input && length > 0) ? length : 0;
        encode_ = encode;
    }

    // Upper bounds of the output size; never smaller than what Encode/Decode write.
    virtual int GetEncodeLength() const = 0;
    virtual int GetDecodeLength() const = 0;
    // Never write more than `capacity` bytes; return the bytes written. When the output does not
    // fit, they stop early and Overflowed() is true until the next call.
    virtual int Encode(char* out, int capacity) = 0;
    virtual int Decode(char* out, int capacity) = 0;

    // Bytes that, written right before a CR LF, make Decode drop that line end (a soft line
    // break); empty when the encoding has none.
    virtual const char* SoftBreak() const { return ""; }

    int GetOutputLength() const { return encode_ ? GetEncodeLength() : GetDecodeLength(); }
    int GetOutput(char* out, int capacity) { return encode_ ? Encode(out, capacity) : Decode(out, capacity); }
    bool Overflowed() const { return overflowed_; }

protected:
    const char* input_ = nullptr;
    int length_ = 0;
    bool encode_ = true;
    bool overflowed_ = false;
};

// 7bit, 8bit, binary and every unknown encoding: the bytes as they are.
class MimeCopyCoder : public MimeCoder {
public:
    int GetEncodeLength() const override { return length_; }
    int GetDecodeLength() const override { return length_; }
    int Encode(char* out, int capacity) override { return Copy(out, capacity); }
    int Decode(char* out, int capacity) override { return Copy(out, capacity); }

private:
    int Copy(char* out, int capacity);
};
