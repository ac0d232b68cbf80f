#include "xml/DamagedFile.h"

#include "xml/AtomicFile.h"
#include "xml/XmlDocument.h"

namespace {

// Copies are numbered up to this; a folder with that many is not going to get another one.
const int kMaxAttempts = 1000;

// Offset just past the node that starts with "<?" or "<!" at lt, or npos when it does not end.
// A '<' is never the trail byte of a double-byte character, so plain byte searches serve.
size_t SkipMarkup(const std::string& text, size_t lt) {
    if (text.compare(lt, 2, "<?") == 0) {
        size_t end = text.find("?>", lt + 2);
        return end == std::string::npos ? end : end + 2;
    }
    if (text.compare(lt, 4, "<!--") == 0) {
        size_t end = text.find("-->", lt + 4);
        return end == std::string::npos ? end : end + 3;
    }
    if (text.compare(lt, 3, "<![") == 0) {
        size_t end = text.find("]]>", lt + 3);
        return end == std::string::npos ? end : end + 3;
    }
    // A document type declaration; its internal subset in brackets may hold '>'.
    int depth = 0;
    for (size_t pos = lt + 2; pos < text.size(); ++pos) {
        if (text[pos] == '[')
            ++depth;
        else if (text[pos] == ']' && depth > 0)
            --depth;
        else if (text[pos] == '>' && depth == 0)
            return pos + 1;
    }
    return std::string::npos;
}

}  // namespace

bool DamagedFile::IsDamagedText(const std::string& text, bool parsed) {
    if (parsed)
        return false;
    size_t pos = text.find('<');
    while (pos != std::string::npos && pos + 1 < text.size()) {
        char next = text[pos + 1];
        if (next == '?' || next == '!') {
            pos = SkipMarkup(text, pos);
            if (pos == std::string::npos)
                return false;
        } else if (next == '/') {
            pos += 2;
        } else {
            return true;
        }
        pos = text.find('<', pos);
    }
    return false;
}

std::string DamagedFile::BackupPath(const std::string& path, int attempt) {
    std::string name = path + ".damaged";
    if (attempt > 0)
        name += "." + std::to_string(attempt);
    return name;
}

bool DamagedFile::Inspect(const std::string& path, CXmlDocument& doc) {
    damaged_ = IsDamagedText(doc.GetText(), doc.HasRootElement());
    setAside_ = !damaged_;
    path_ = path;
    backupPath_.clear();
    text_.clear();
    parseError_.clear();
    if (damaged_) {
        text_ = doc.GetText();
        parseError_ = doc.GetParseError();
        doc.ParseText(nullptr);
    }
    return damaged_;
}

bool DamagedFile::SetAside() {
    if (setAside_)
        return true;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string candidate = BackupPath(path_, attempt);
        bool existed = false;
        if (atomicfile::CreateNew(candidate.c_str(), text_, &existed)) {
            backupPath_ = candidate;
            setAside_ = true;
            text_ = std::string();
            return true;
        }
        if (!existed) {
            backupPath_ = candidate;
            return false;
        }
    }
    return false;
}

std::string DamagedFile::Message() const {
    if (!damaged_)
        return std::string();
    std::string message = "The file \"" + path_ + "\" could not be read";
    message += parseError_.empty() ? "." : " (" + parseError_ + ").";
    if (setAside_) {
        message += " It has been kept as \"" + backupPath_ + "\", and the settings start over from their defaults.";
    } else {
        message += " No copy of it could be written";
        if (!backupPath_.empty())
            message += " as \"" + backupPath_ + "\"";
        message += ", so it is left as it is and nothing is saved over it.";
    }
    return message;
}
