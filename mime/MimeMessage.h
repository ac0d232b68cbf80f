// The MIME message model: a message is a MimeBody tree of header fields, decoded content and
// parts, parsed from and written back to CR LF text.
//
//   MimeMessage msg;
//   if (msg.Load(text, size) < 1) ...;                 // parse (fields decoded, content decoded)
//   std::string subject = msg.GetFieldValue("Subject"); // bytes in the field's charset
//   msg.SetField("X-Flag", "TRUE");                      // empty charset: stored as it is
//   for (const auto& part : msg.Parts()) part->GetContent(bytes);
//   std::string out;
//   msg.StoreToString(out);                              // or: buf(msg.GetLength()); msg.Store(buf, n)
//
// Building a multipart: SetBoundary(nullptr) makes the header multipart/mixed with a fresh
// boundary; CreatePart() adds parts; give a part "Content-Transfer-Encoding: base64" and
// SetContent(bytes) to have it encoded on Store. Objects are not shared between threads.
#pragma once

#include "mime/MimeBody.h"
#include "mime/MimeField.h"
#include "mime/MimeHeader.h"
#include "mime/MimeHeaderText.h"
#include "mime/MimeRegistry.h"

class MimeMessage : public MimeBody {
public:
    MimeMessage() = default;
    ~MimeMessage() override;
};
