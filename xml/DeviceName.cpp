#include "xml/DeviceName.h"

#include <cstring>

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// The port number of COMn and LPTn: a digit, or the superscripts that Windows counts too.
bool IsPortNumber(const std::string& text) {
    static const char* const kSuperscripts[] = {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9')
        return true;
    for (const char* superscript : kSuperscripts) {
        if (text == superscript)
            return true;
    }
    return false;
}

}  // namespace

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (EqualsNoCase(base, device))
            return true;
    }
    return base.size() >= 4 && (EqualsNoCase(base.substr(0, 3), "COM") || EqualsNoCase(base.substr(0, 3), "LPT")) &&
           IsPortNumber(base.substr(3));
}
