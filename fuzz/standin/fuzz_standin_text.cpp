// The stand-in host's text rules on arbitrary input: a scenario line split into words, and
// header reads and writes on a message text. The first byte picks the header name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "standin/MessageText.h"
#include "standin/ScriptLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    std::string error;
    scriptline::Split(text, &words, &error);
    scriptline::StripAmpersands(text);

    static const char* const kNames[] = {"Subject", "X-RILLPOST-FLAG", "From", "A"};
    const char* name = kNames[size ? data[0] % 4 : 0];
    std::string value = messagetext::GetHeader(text, name);
    std::string changed = messagetext::SetHeader(text, name, "v");
    // A field that was set reads back, whatever the text around it.
    if (messagetext::GetHeader(changed, name) != "v")
        __builtin_trap();
    if (messagetext::HeaderBlockLength(text) > text.size())
        __builtin_trap();
    messagetext::ToCrLf(text);
    return 0;
}
