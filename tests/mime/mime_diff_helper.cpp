// Drives the coders and the parser for the differential test against Python's email package. Reads lines
// "<operation> <argument> <hex input>" from stdin and answers each with one line of hex output.
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "mime/MimeHeaderText.h"
#include "mime/MimeMessage.h"
#include "mime/MimeRegistry.h"

namespace {

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

std::string RunBodyCoder(const std::string& encoding, const std::string& in, bool encode) {
    std::unique_ptr<MimeCoder> coder = CreateBodyCoder(encoding);
    coder->SetInput(in.data(), static_cast<int>(in.size()), encode);
    std::string out(coder->GetOutputLength(), '\0');
    out.resize(coder->GetOutput(&out[0], static_cast<int>(out.size())));
    return out;
}

// Leaf contents in document order, each as a 4-byte big-endian length and the bytes; then the
// decoded Subject the same way.
void AppendChunk(std::string& out, const std::string& bytes) {
    size_t n = bytes.size();
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(n >> shift));
    out += bytes;
}

void AppendLeaves(const MimeBody& body, std::string& out) {
    if (body.Parts().empty()) {
        std::string content;
        body.GetContent(content);
        AppendChunk(out, content);
    }
    for (const auto& part : body.Parts())
        AppendLeaves(*part, out);
}

std::string MessageParts(const std::string& text) {
    MimeMessage msg;
    if (msg.Load(text.data(), static_cast<int>(text.size())) < 1)
        return std::string();
    std::string out;
    AppendLeaves(msg, out);
    AppendChunk(out, msg.GetFieldValue("Subject"));
    return out;
}

// The message parsed and written back by the model.
std::string MessageStore(const std::string& text) {
    MimeMessage msg;
    std::string out;
    if (msg.Load(text.data(), static_cast<int>(text.size())) >= 1)
        msg.StoreToString(out);
    return out;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream fields(line);
        std::string op, arg, hex;
        fields >> op >> arg >> hex;
        std::string in = FromHex(hex);
        std::string out;
        if (op == "encode")
            out = RunBodyCoder(arg, in, true);
        else if (op == "decode")
            out = RunBodyCoder(arg, in, false);
        else if (op == "field-decode")
            out = CreateFieldCoder(arg)->DecodeValue(in);
        else if (op == "field-encode") {  // arg: "Field:charset"
            size_t colon = arg.find(':');
            std::unique_ptr<MimeFieldCoder> coder = CreateFieldCoder(arg.substr(0, colon));
            coder->SetCharset(arg.substr(colon + 1));
            out = coder->EncodeValue(in);
        } else if (op == "message-store") {
            out = MessageStore(in);
        } else if (op == "message-parts")
            out = MessageParts(in);
        else if (op == "header-text")
            out = DecodeHeaderText(in);
        else
            return 2;
        std::cout << ToHex(out) << '\n';
    }
    return 0;
}
