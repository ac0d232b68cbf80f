// Header field coder: turns a field value between its stored form (with RFC 2047 encoded words)
// and its decoded form (the bytes of the word's character set). The kind decides where a value
// is cut into words and where folding line breaks go.
#pragma once

#include <string>

#include "mime/MimeCoder.h"

class MimeFieldCoder : public MimeCoder {
public:
    enum Kind {
        kText,       // Subject and friends: the whole value is one word
        kAddress,    // address lists: folds after ',' and ':'
        kParameter,  // Content-Type and Content-Disposition: folds after ';'
        kPlain,      // any other field
    };

    explicit MimeFieldCoder(Kind kind) : kind_(kind) {}

    Kind GetKind() const { return kind_; }
    // Before Encode: the character set of the encoded words to write (empty writes the value
    // unchanged). After Decode: the character set of the first encoded word, or empty.
    void SetCharset(const std::string& charset) { charset_ = charset; }
    const std::string& GetCharset() const { return charset_; }

    // Exact: the encoder runs once without writing.
    int GetEncodeLength() const override;
    int GetDecodeLength() const override { return length_; }
    int Encode(char* out, int capacity) override;
    int Decode(char* out, int capacity) override;

    // Convenience wrappers over the same code for callers that hold strings.
    std::string EncodeValue(const std::string& value);
    std::string DecodeValue(const std::string& value);

private:
    struct Writer;
    void EncodeTo(Writer& w) const;
    void EncodeWord(Writer& w, const std::string& word) const;
    std::string DecodeToString();

    Kind kind_;
    std::string charset_;
};
