#include "nntp/PictureFileName.h"

#include <cstring>

#include "xml/CodePage.h"
#include "xml/DeviceName.h"

namespace {

bool IsBlankOrDot(char c) {
    return c == ' ' || c == '.';
}

bool IsForbidden(unsigned char c) {
    return c < 0x20 || std::strchr("<>\"|?*", c) != nullptr;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

// Length of the character at text[i]: 2 for a lead byte with a trail byte, 1 for a single
// byte, 0 for a lead byte whose follower cannot be a trail byte (that byte is dropped).
size_t CharAt(const std::string& text, size_t i) {
    const char* p = text.data() + i;
    if (!codepage::IsLeadByte(static_cast<unsigned char>(*p)))
        return 1;
    if (codepage::CharLen(p, text.data() + text.size()) == 2 && static_cast<unsigned char>(p[1]) >= 0x40)
        return 2;
    return 0;
}

// Offset of the last "." that starts a character, or npos.
size_t ExtensionStart(const std::string& name) {
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size();) {
        size_t n = CharAt(name, i);
        if (n == 1 && name[i] == '.')
            dot = i;
        i += n ? n : 1;
    }
    return dot;
}

// The longest prefix of text, ending on a character boundary, that fits into `budget` bytes.
std::string CutTo(const std::string& text, size_t budget) {
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharAt(text, i);
        if (n == 0)
            n = 1;
        if (i + n > budget)
            break;
        i += n;
        end = i;
    }
    return text.substr(0, end);
}

void TrimTrailing(std::string* name) {
    while (!name->empty() && IsBlankOrDot(name->back()))
        name->pop_back();
}

// Stem + suffix + extension within the length limit; the stem gives way. An extension too long
// to keep is dropped with the rest of the name cut instead.
std::string Fit(const std::string& name, const std::string& suffix) {
    size_t dot = ExtensionStart(name);
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    if (stem.size() + suffix.size() + extension.size() <= kMaxPictureFileName)
        return stem + suffix + extension;
    if (suffix.size() + extension.size() < kMaxPictureFileName)
        return CutTo(stem, kMaxPictureFileName - suffix.size() - extension.size()) + suffix + extension;
    std::string cut = CutTo(name, kMaxPictureFileName - suffix.size());
    TrimTrailing(&cut);
    return cut + suffix;
}

}  // namespace

bool IsImageFileName(const std::string& name) {
    size_t dot = ExtensionStart(name);
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    return EqualsNoCase(extension, "gif") || EqualsNoCase(extension, "bmp") || EqualsNoCase(extension, "jpg") ||
           EqualsNoCase(extension, "jpeg");
}

std::string SafePictureFileName(const std::string& name) {
    std::string safe;
    for (size_t i = 0; i < name.size();) {
        size_t n = CharAt(name, i);
        if (n == 2) {
            safe.append(name, i, 2);
            i += 2;
            continue;
        }
        if (n == 1) {
            char c = name[i];
            if (c == '\\' || c == '/' || c == ':')
                safe.clear();
            else if (!IsForbidden(static_cast<unsigned char>(c)))
                safe.push_back(c);
        }
        ++i;
    }
    TrimTrailing(&safe);
    if (safe.size() > kMaxPictureFileName) {
        safe = Fit(safe, std::string());
        TrimTrailing(&safe);
    }
    if (safe.empty() || IsDeviceName(safe))
        return std::string();
    return safe;
}

std::string LowerFileName(const std::string& name) {
    std::string lower = name;
    for (size_t i = 0; i < lower.size();) {
        size_t n = CharAt(lower, i);
        if (n == 1)
            lower[i] = Lower(lower[i]);
        i += n ? n : 1;
    }
    return lower;
}

std::string NumberedFileName(const std::string& safeName, int n) {
    return Fit(safeName, " (" + std::to_string(n) + ")");
}
