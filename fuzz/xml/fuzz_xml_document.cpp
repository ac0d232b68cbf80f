// Parses arbitrary bytes, then runs a program of navigation, position and edit calls taken from
// the input's first bytes through the public interface, element indexes included (valid ones,
// removed ones and ones past the table). Afterwards the position the document reports is always
// one it accepts back, and the text still parses to the elements of the live table.
//
// Input: one byte n, then n four-byte operations (code, three arguments), then the document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/XmlConfig.h"

namespace {

int CountElements(CXmlDocument& doc) {
    int count = 0;
    doc.ResetPosition();
    // Depth-first walk through the navigation interface.
    if (!doc.FindElement(nullptr))
        return 0;
    for (;;) {
        ++count;
        (void)doc.GetElementText();
        (void)doc.GetElementName();
        if (doc.FindChildElement(nullptr) && doc.EnterElement())
            continue;
        while (!doc.FindElement(nullptr)) {
            if (!doc.LeaveElement())
                return count;
        }
    }
}

const char* const kNames[] = {"A", "Setup", nullptr};
const char* const kTexts[] = {"t&x<y>", "", nullptr, "]]>"};

void Run(CXmlConfig& doc, const uint8_t* op, int indexRange) {
    // Indexes run a little past the table, and below 0.
    const int a = op[1] % indexRange - 1;
    const int b = op[2] % indexRange - 1;
    const int c = op[3] % indexRange - 1;
    const char* name = kNames[op[1] % 3];
    const char* text = kTexts[op[2] % 4];
    const bool flag = op[3] & 1;
    switch (op[0] % 16) {
        case 0:
            doc.SetPosition(a, b, c, flag);
            break;
        case 1:
            (void)doc.GetTextAt(a);
            (void)doc.GetTagNameAt(a);
            break;
        case 2:
            doc.SetTextAt(a, text, flag);
            break;
        case 3:
            doc.SavePosition(name ? name : "");
            break;
        case 4:
            doc.RestorePosition(name ? name : "");
            break;
        case 5:
            doc.FindElement(name);
            break;
        case 6:
            doc.FindChildElement(name);
            break;
        case 7:
            doc.EnterElement();
            break;
        case 8:
            doc.LeaveElement();
            break;
        case 9:
            doc.AddElement(name ? name : "N", text, flag);
            break;
        case 10:
            doc.AddChildElement(name ? name : "N", text, flag);
            break;
        case 11:
            doc.RemoveElement();
            break;
        case 12:
            doc.ResetPosition();
            break;
        case 13:
            doc.SetElementText(text, flag);
            doc.SetChildText(text, !flag);
            break;
        case 14:
            doc.SetString("Setup:Configuration:MaxNum", "5", flag, op[2] & 1);
            break;
        default:
            doc.SelectServerGroup("id", "folder\\", op[2] & 1, flag);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16)
        return 0;
    const size_t ops = data[0] % 32;
    if (size < 1 + 4 * ops)
        return 0;
    const uint8_t* program = data + 1;
    const char* text = reinterpret_cast<const char*>(data + 1 + 4 * ops);
    const size_t textSize = size - 1 - 4 * ops;

    CXmlConfig doc;
    bool parsed = doc.ParseBytes(text, textSize);
    if (doc.GetText() != std::string(text, textSize))
        abort();
    int elements = CountElements(doc);
    if (parsed != (elements > 0))
        abort();

    doc.ResetPosition();
    doc.FindElement(nullptr);
    const int top = doc.GetCurrentIndex();
    doc.ResetPosition();
    for (size_t i = 0; i < ops; ++i) {
        Run(doc, program + 4 * i, elements + 4 + static_cast<int>(i));
        // The document's own position is always one that it takes back.
        if (!doc.SetPosition(doc.GetParentIndex(), doc.GetCurrentIndex(), doc.GetChildIndex(), 1))
            abort();
    }

    // Whatever the edits did, the new text must parse again when the old one did, and reading
    // it again must find the same elements as the live table. Only while the first top element
    // stands: once it is removed, text around it that was ignored can take its place.
    doc.ResetPosition();
    doc.FindElement(nullptr);
    if (parsed && doc.GetCurrentIndex() == top && doc.GetText().find('\0') == std::string::npos) {
        int live = CountElements(doc);
        CXmlDocument again;
        if (!again.ParseText(doc.GetText().c_str()) || CountElements(again) != live)
            abort();
    }
    return 0;
}
