#include "ui/HeaderBlock.h"

#include <cctype>

const char kFieldNameEmpty[] = "The field name cannot be empty!";
const char kFieldExists[] = "This Field has been existed!";

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Lines of `text` without their line ends (CR LF, LF or CR alone).
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

}  // namespace

HeaderBlock HeaderBlock::Parse(const std::string& text) {
    HeaderBlock block;
    size_t firstLf = text.find('\n');
    block.eol =
        (firstLf != std::string::npos && firstLf > 0 && text[firstLf - 1] == '\r') || firstLf == std::string::npos
            ? "\r\n"
            : "\n";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t next = lf == std::string::npos ? text.size() : lf + 1;
        size_t end = (lf == std::string::npos) ? text.size() : (lf > pos && text[lf - 1] == '\r' ? lf - 1 : lf);
        if (end == pos)
            break;
        std::string line = text.substr(pos, next - pos);
        if (IsBlank(text[pos]) && !block.fields.empty()) {
            block.fields.back().raw += line;
        } else {
            size_t colon = text.find(':', pos);
            std::string name = (colon != std::string::npos && colon < end) ? text.substr(pos, colon - pos)
                                                                           : text.substr(pos, end - pos);
            block.fields.push_back(HeaderField{name, line});
        }
        pos = next;
    }
    block.restStart = pos;
    return block;
}

std::string HeaderBlock::Write(const std::string& original) const {
    std::string out;
    for (const HeaderField& field : fields) {
        out += field.raw;
        if (out.empty() || out.back() != '\n')
            out += eol;
    }
    if (restStart < original.size())
        out.append(original, restStart, std::string::npos);
    return out;
}

int HeaderBlock::Find(const std::string& name) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (SameName(fields[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string FieldValue(const HeaderField& field) {
    size_t start = field.raw.size() > field.name.size() && field.raw[field.name.size()] == ':' ? field.name.size() + 1
                                                                                               : field.raw.size();
    while (start < field.raw.size() && IsBlank(field.raw[start]))
        ++start;
    std::vector<std::string> lines = SplitLines(field.raw.substr(start));
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    std::string value;
    for (size_t i = 0; i < lines.size(); ++i)
        value += (i ? "\r\n" : "") + lines[i];
    return value;
}

HeaderField MakeField(const std::string& name, const std::string& value, const std::string& eol) {
    std::string raw = name + ":";
    bool first = true;
    for (std::string line : SplitLines(value)) {
        for (char& c : line) {
            if (c == '\0')
                c = ' ';
        }
        bool blankOnly = true;
        for (char c : line)
            blankOnly = blankOnly && IsBlank(c);
        if (blankOnly)
            continue;
        if (first)
            raw += " " + line;
        else
            raw += eol + (IsBlank(line[0]) ? "" : " ") + line;
        first = false;
    }
    if (first)
        raw += " ";
    return HeaderField{name, raw + eol};
}

std::string FieldNameError(const std::string& name) {
    if (name.empty())
        return kFieldNameEmpty;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 33 || u > 126 || c == ':')
            return "A field name may hold only the printable ASCII characters other than ':' (no blanks).";
    }
    return std::string();
}

HeaderEditor::HeaderEditor(std::string source) : source_(std::move(source)), block_(HeaderBlock::Parse(source_)) {}

bool HeaderEditor::ContentTyped(const std::string& nameEdit, const std::string& content) {
    if (selected_ < 0 || nameEdit != block_.fields[selected_].name)
        return false;
    if (content == FieldValue(block_.fields[selected_]))
        return false;
    block_.fields[selected_] = MakeField(nameEdit, content, block_.eol);
    changed_ = true;
    return true;
}

std::string HeaderEditor::Add(const std::string& name, const std::string& content) {
    std::string error = FieldNameError(name);
    if (!error.empty())
        return error;
    if (block_.Find(name) >= 0)
        return kFieldExists;
    block_.fields.push_back(MakeField(name, content, block_.eol));
    changed_ = true;
    return std::string();
}

bool HeaderEditor::DeleteSelected() {
    if (selected_ < 0)
        return false;
    block_.fields.erase(block_.fields.begin() + selected_);
    selected_ = -1;
    changed_ = true;
    return true;
}
