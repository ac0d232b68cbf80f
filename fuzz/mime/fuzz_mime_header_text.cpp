// The header-text helpers on any input.
#include <cstdint>
#include <string>

#include "mime/MimeHeaderText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 18))
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    DecodeHeaderText(text);
    DecodeHeaderWord(text);
    DecodeQWord(text);
    DecodeBase64Word(text);
    Koi8ToCp1251(text);
    Utf8ToAnsi(text);
    return 0;
}
