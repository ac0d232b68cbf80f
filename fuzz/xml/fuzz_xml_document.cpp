// Parses arbitrary bytes, then walks every element and edits the document, checking after each
// edit that the text still parses to the same number of elements.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16)
        return 0;
    CXmlConfig doc;
    bool parsed = doc.ParseBytes(reinterpret_cast<const char*>(data), size);
    std::string original = doc.GetText();
    if (original != std::string(reinterpret_cast<const char*>(data), size))
        abort();
    int elements = CountElements(doc);
    if (parsed != (elements > 0))
        abort();

    // Edits driven by the input's own bytes.
    unsigned selector = size ? data[0] : 0;
    doc.ResetPosition();
    if (doc.FindElement(nullptr)) {
        doc.FindChildElement(nullptr);
        switch (selector % 5) {
            case 0:
                doc.SetElementText("a<b&c", selector & 8);
                break;
            case 1:
                doc.AddChildElement("New", "t&x", selector & 8);
                break;
            case 2:
                doc.SetChildText("", false);
                break;
            case 3:
                if (doc.EnterElement() && doc.FindElement(nullptr))
                    doc.RemoveElement();
                break;
            default:
                doc.AddElement("Sib", nullptr, selector & 8);
                break;
        }
    }
    doc.SetString("Setup:Configuration:MaxNum", "5", selector & 16, false);
    doc.SelectServerGroup("id", "folder\\", false, selector & 32);
    doc.GetInt("Setup:Configuration:MaxNum", 1, false);

    // Whatever the edits did, the new text must parse again when the old one did, and reading
    // it again must find the same elements as the live table.
    if (parsed) {
        int live = CountElements(doc);
        CXmlDocument again;
        if (!again.ParseText(doc.GetText().c_str()) && doc.GetText().find('\0') == std::string::npos)
            abort();
        if (doc.GetText().find('\0') == std::string::npos && CountElements(again) != live)
            abort();
    }
    return 0;
}
