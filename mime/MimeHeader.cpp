#include "mime/MimeHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "mime/MimeChars.h"

namespace {

const char* const kMediaNames[] = {"text", "image", "audio", "video", "application", "multipart", "message"};

// Boundary generation shares the C library's random generator and a counter across the process.
std::mutex gBoundaryLock;
int gBoundaryCounter = 0;

}  // namespace

const char* MimeHeader::MediaTypeName(int mediaType) {
    if (mediaType < 0 || mediaType >= kMediaUnknown)
        return "";
    return kMediaNames[mediaType];
}

void MimeHeader::Clear() {
    fields_.clear();
}

int MimeHeader::GetLength() const {
    long long total = 2;
    for (const MimeField& f : fields_)
        total += f.GetLength();
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

int MimeHeader::Store(char* buffer, int size) const {
    int n = 0;
    for (const MimeField& f : fields_) {
        int written = f.Store(buffer + n, size - n);
        if (written <= 0)
            return written;
        n += written;
    }
    if (size - n < 2)
        return 0;
    buffer[n++] = '\r';
    buffer[n++] = '\n';
    return n;
}

int MimeHeader::Load(const char* text, int size) {
    int pos = 0;
    while (pos < size && text[pos] != '\r') {
        MimeField field;
        int used = field.Load(text + pos, size - pos);
        if (used <= 0)
            return used;
        fields_.push_back(std::move(field));
        pos += used;
    }
    // The empty line: CR LF, or a lone CR at the very end.
    if (pos < size)
        pos += (pos + 1 < size && text[pos + 1] == '\n') ? 2 : 1;
    return pos;
}

MimeField* MimeHeader::FindField(const std::string& name) {
    for (MimeField& f : fields_) {
        if (mimechars::EqualsNoCase(f.GetName(), name))
            return &f;
    }
    return nullptr;
}

const MimeField* MimeHeader::FindField(const std::string& name) const {
    return const_cast<MimeHeader*>(this)->FindField(name);
}

std::string MimeHeader::GetFieldValue(const std::string& name) const {
    const MimeField* f = FindField(name);
    return f ? f->GetValue() : std::string();
}

MimeField& MimeHeader::SetField(const std::string& name, const std::string& value, const std::string& charset) {
    MimeField* f = FindField(name);
    if (!f) {
        fields_.emplace_back(name, value, charset);
        return fields_.back();
    }
    f->SetName(name);
    f->SetValue(value);
    f->SetCharset(charset);
    return *f;
}

bool MimeHeader::RemoveField(const std::string& name) {
    for (auto it = fields_.begin(); it != fields_.end(); ++it) {
        if (mimechars::EqualsNoCase(it->GetName(), name)) {
            fields_.erase(it);
            return true;
        }
    }
    return false;
}

std::string MimeHeader::GetParameter(const std::string& fieldName, const std::string& attribute) const {
    std::string out;
    const MimeField* f = FindField(fieldName);
    if (f)
        f->GetParameter(attribute, out);
    return out;
}

int MimeHeader::GetMediaType() const {
    const MimeField* f = FindField("Content-Type");
    if (!f)
        return kMediaText;
    for (int i = 0; i < kMediaUnknown; ++i) {
        if (mimechars::StartsWithNoCase(f->GetValue(), kMediaNames[i]))
            return i;
    }
    return kMediaUnknown;
}

std::string MimeHeader::GetMainType() const {
    const MimeField* f = FindField("Content-Type");
    if (!f)
        return "text";
    const std::string& v = f->GetValue();
    return v.substr(0, v.find('/'));
}

void MimeHeader::SetBoundary(const char* boundary) {
    char generated[96];
    if (!boundary) {
        std::lock_guard<std::mutex> lock(gBoundaryLock);
        srand(static_cast<unsigned>(time(nullptr)) ^ static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
        ++gBoundaryCounter;
        int r1 = rand();
        int r2 = rand();
        snprintf(generated, sizeof(generated), "__=_Part_Boundary_%03d_%06d.%06d", gBoundaryCounter, r2, r1);
        if (gBoundaryCounter >= 9)
            gBoundaryCounter = 0;
        boundary = generated;
    }
    MimeField* f = FindField("Content-Type");
    if (!f) {
        fields_.emplace_back("Content-Type", "multipart/mixed");
        f = &fields_.back();
    } else if (!mimechars::StartsWithNoCase(f->GetValue(), "multipart")) {
        f->SetValue("multipart/mixed");
    }
    f->SetParameter("boundary", boundary);
}
