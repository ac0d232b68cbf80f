// An ordered list of header fields. Fields live in a std::list, so a MimeField* handed out stays
// valid until that field is removed or the header is cleared or destroyed.
#pragma once

#include <list>
#include <string>

#include "mime/MimeField.h"

class MimeHeader {
public:
    // Media main types, in the order their names are matched against Content-Type.
    enum MediaType {
        kMediaText = 0,
        kMediaImage,
        kMediaAudio,
        kMediaVideo,
        kMediaApplication,
        kMediaMultipart,
        kMediaMessage,
        kMediaUnknown,
    };
    // The name of a media type ("text" ... "message"); empty for kMediaUnknown.
    static const char* MediaTypeName(int mediaType);

    MimeHeader() = default;
    MimeHeader(const MimeHeader&) = default;
    MimeHeader& operator=(const MimeHeader&) = default;
    virtual ~MimeHeader() = default;

    virtual void Clear();
    // Upper bound of what Store writes.
    virtual int GetLength() const;
    // Every field, then the empty line; 0 when the buffer is too small.
    virtual int Store(char* buffer, int size) const;
    // Appends the fields of `text` up to and including the empty line; returns the bytes consumed,
    // or 0 when a field could not be read.
    virtual int Load(const char* text, int size);

    // First field of that name, ignoring case.
    MimeField* FindField(const std::string& name);
    const MimeField* FindField(const std::string& name) const;
    // The decoded value of the first field of that name, empty when absent.
    std::string GetFieldValue(const std::string& name) const;
    // Replaces spelling, value and charset of the first field of that name, or appends one.
    MimeField& SetField(const std::string& name, const std::string& value, const std::string& charset = std::string());
    // Removes the first field of that name; false when there is none.
    bool RemoveField(const std::string& name);
    std::list<MimeField>& Fields() { return fields_; }
    const std::list<MimeField>& Fields() const { return fields_; }

    // A parameter of the named field, empty when field or parameter is absent.
    std::string GetParameter(const std::string& fieldName, const std::string& attribute) const;
    std::string GetName() const { return GetParameter("Content-Type", "name"); }
    std::string GetBoundary() const { return GetParameter("Content-Type", "boundary"); }

    int GetMediaType() const;
    // Content-Type up to '/', or "text" without the field.
    std::string GetMainType() const;

    // Makes this a multipart header with the given boundary, or a newly generated one when
    // `boundary` is null.
    void SetBoundary(const char* boundary = nullptr);

private:
    std::list<MimeField> fields_;
};
