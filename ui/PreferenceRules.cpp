#include "ui/PreferenceRules.h"

#include <algorithm>

// "请键入一个整数。"
const char kIntegerMessage[] = "\xC7\xEB\xBC\xFC\xC8\xEB\xD2\xBB\xB8\xF6\xD5\xFB\xCA\xFD\xA1\xA3";
// "“请填入一个在%1和%2之间的整数。”"
const char kRangeMessage[] =
    "\xA1\xB0\xC7\xEB\xCC\xEE\xC8\xEB\xD2\xBB\xB8\xF6\xD4\xDA%1\xBA\xCD%2\xD6\xAE\xBC\xE4\xB5\xC4\xD5\xFB\xCA\xFD"
    "\xA1\xA3\xA1\xB1";

namespace {

int Bit(int value) {
    return value != 0 ? 1 : 0;
}

std::string RangeMessage(int low, int high) {
    std::string text = kRangeMessage;
    text.replace(text.find("%1"), 2, std::to_string(low));
    text.replace(text.find("%2"), 2, std::to_string(high));
    return text;
}

}  // namespace

Preferences PreferencesForDialog(const Preferences& s) {
    Preferences p = s;
    p.downloadStyle = s.downloadStyle == 0 ? 0 : 1;
    p.encodeHeader = Bit(s.encodeHeader);
    p.threadSort = Bit(s.threadSort);
    p.updateNow = Bit(s.updateNow);
    p.markRead = Bit(s.markRead);
    p.postPopup = Bit(s.postPopup);
    p.submenu = Bit(s.submenu);
    p.pictureRender = Bit(s.pictureRender);
    p.synTime = std::min(std::max(s.synTime, kSynTimeLow), kSynTimeHigh);
    return p;
}

bool ParseBoundedInt(const std::string& text, int low, int high, int* value, std::string* message) {
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    std::string digits = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    bool negative = !digits.empty() && digits[0] == '-';
    if (negative)
        digits.erase(0, 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        *message = kIntegerMessage;
        return false;
    }
    // Counted in 64 bits and stopped early, so no length of digits can wrap into the range.
    long long number = 0;
    for (char c : digits) {
        number = number * 10 + (c - '0');
        if (number > 1000000000LL)
            break;
    }
    if (negative)
        number = -number;
    if (number < low || number > high) {
        *message = RangeMessage(low, high);
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}
