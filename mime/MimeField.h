// One header field. The value is kept decoded: encoded words are already the bytes of their
// character set, and continuation lines stay as they were read. The charset chooses encoded-word
// output when the field is stored; empty stores the value as it is.
#pragma once

#include <string>

class MimeField {
public:
    MimeField() = default;
    MimeField(const std::string& name, const std::string& value, const std::string& charset = std::string())
        : name_(name), value_(value), charset_(charset) {}

    const std::string& GetName() const { return name_; }
    const std::string& GetValue() const { return value_; }
    const std::string& GetCharset() const { return charset_; }
    void SetName(const std::string& name) { name_ = name; }
    void SetValue(const std::string& value) { value_ = value; }
    void SetCharset(const std::string& charset) { charset_ = charset; }

    // Replaces the parameter's value or appends "; attribute=\"value\"".
    void SetParameter(const std::string& attribute, const std::string& value);
    // The parameter's value without surrounding quotes; false and empty `out` when absent.
    bool GetParameter(const std::string& attribute, std::string& out) const;

    // Upper bound (here exact) of what Store writes.
    int GetLength() const;
    // Writes "name: encoded value\r\n"; 0 when it does not fit into `size` bytes.
    int Store(char* buffer, int size) const;
    // Reads one field from `text`; returns the bytes consumed including the final CR LF, 0 when
    // no field could be read (a blank line, a continuation without CR LF, no CR LF at all).
    int Load(const char* text, int size);

private:
    // Finds the parameter's value span in value_: [start, end) including any quotes.
    bool FindParameter(const std::string& attribute, size_t& start, size_t& end) const;
    int EncodedValueLength() const;

    std::string name_;
    std::string value_;
    std::string charset_;
};
