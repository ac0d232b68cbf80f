#include "nntp/BodyConverter.h"

#include <climits>
#include <list>

#include "mime/MimeMessage.h"
#include "nntp/PictureBudget.h"
#include "nntp/PictureFileName.h"
#include "nntp/PictureFolder.h"
#include "nntp/Uudecode.h"
#include "nntp/Ydecode.h"

namespace {

// Fields that describe a body's own content; they move with it when it becomes a part.
const char* const kContentFields[] = {"Content-Type", "Content-Transfer-Encoding", "Content-Disposition"};

// The message model reads CR LF lines only; a lone LF becomes CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

bool HasUuencodedPictures(const std::string& body) {
    bool begins = body.compare(0, 6, "begin ") == 0 || body.find("\nbegin ") != std::string::npos;
    return begins && body.find("\nend") != std::string::npos;
}

void AppendPicture(const std::string& fileName, const std::string& path, std::string* html) {
    *html += "<font face=\"Tahoma\" size=\"2\">" + EscapeHtml(fileName) + "</font></P><IMG SRC=\"" + EscapeHtml(path) +
             "\"></P>";
}

// Saves the picture unless the budget is spent; false when it was not saved.
bool SavePicture(const std::string& safe,
                 const std::string& bytes,
                 PictureFolder& folder,
                 PictureBudget& budget,
                 std::string* html) {
    std::string fileName, path;
    if (bytes.empty() || !budget.Admits(bytes.size()) || !folder.Save(safe, bytes, &fileName, &path))
        return false;
    budget.Saved(bytes.size());
    AppendPicture(fileName, path, html);
    return true;
}

// Saves every uuencoded picture of the body. False when a block names no picture: the whole
// conversion is then off, even when that block comes after the budget is spent.
bool SaveUuencodedPictures(const std::string& body,
                           PictureFolder& folder,
                           PictureBudget& budget,
                           std::string* html,
                           int* saved) {
    UuBlock block;
    for (size_t from = 0; FindUuBlock(body, from, &block); from = block.end) {
        std::string safe = SafePictureFileName(block.fileName);
        if (!IsImageFileName(safe.empty() ? block.fileName : safe))
            return false;
        if (budget.Spent())
            continue;
        // Decoding never yields more bytes than the block has characters, whatever the lines claim.
        std::string bytes(block.end - block.begin, '\0');
        size_t decoded = 0;
        UudecodeBlock(body.data() + block.begin, block.end - block.begin, &bytes[0], bytes.size(), &decoded);
        bytes.resize(decoded);
        if (SavePicture(safe, bytes, folder, budget, html))
            ++*saved;
    }
    return true;
}

bool HasYencBlocks(const std::string& body) {
    bool begins = body.compare(0, 8, "=ybegin ") == 0 || body.find("\n=ybegin ") != std::string::npos;
    return begins && body.find("\n=yend") != std::string::npos;
}

// Saves the yEnc file of one block. False when it names no picture (the conversion is then off,
// as for a uuencoded block). A part of several, a damaged block, or one past the budget stays
// text and writes nothing.
bool SaveYencPicture(const std::string& body,
                     const YencBlock& block,
                     PictureFolder& folder,
                     PictureBudget& budget,
                     std::string* html,
                     int* saved) {
    std::string safe = SafePictureFileName(block.name);
    if (!IsImageFileName(safe.empty() ? block.name : safe))
        return false;
    if (block.isPart || budget.Spent())
        return true;
    std::string bytes;
    if (DecodeSingleYencFile(body, block, &bytes) && SavePicture(safe, bytes, folder, budget, html))
        ++*saved;
    return true;
}

// Saves the pictures of uuencoded and yEnc blocks in the order they stand in the body. A block
// that starts inside another one is part of that one's data and is passed over.
bool SaveEncodedPictures(const std::string& body,
                         bool uuencoded,
                         PictureFolder& folder,
                         PictureBudget& budget,
                         std::string* html,
                         int* saved) {
    if (!HasYencBlocks(body))
        return SaveUuencodedPictures(body, folder, budget, html, saved);
    UuBlock uu;
    YencBlock y;
    bool haveUu = uuencoded && FindUuBlock(body, 0, &uu);
    bool haveY = FindYencBlock(body, 0, &y);
    while (haveUu || haveY) {
        if (haveY && (!haveUu || y.begin < uu.begin)) {
            if (!SaveYencPicture(body, y, folder, budget, html, saved))
                return false;
            size_t next = y.end;
            haveY = FindYencBlock(body, next, &y);
            if (haveUu && uu.begin < next)
                haveUu = FindUuBlock(body, next, &uu);
        } else {
            // The uuencoded block alone: its own saver walks from its start.
            if (!SaveUuencodedPictures(body.substr(uu.begin, uu.end - uu.begin), folder, budget, html, saved))
                return false;
            size_t next = uu.end;
            haveUu = FindUuBlock(body, next, &uu);
            if (haveY && y.begin < next)
                haveY = FindYencBlock(body, next, &y);
        }
    }
    return true;
}

bool HasPngExtension(const std::string& name) {
    return name.size() > 4 && LowerFileName(name.substr(name.size() - 4)) == ".png";
}

void SaveImageParts(MimeMessage& message, PictureFolder& folder, PictureBudget& budget, std::string* html, int* saved) {
    std::list<MimeBody*> named;
    message.GetAttachments(named);
    for (MimeBody* part : named) {
        if (budget.Spent())
            return;
        std::string name = LowerFileName(part->GetName());
        bool bmp = name.size() >= 4 && name.compare(name.size() - 4, 4, ".bmp") == 0;
        if (part->GetMediaType() != MimeHeader::kMediaImage && !bmp)
            continue;
        // Only picture names are written: a part that calls itself an image but is named x.exe
        // or x.hta must not leave such a file in the temporary folder.
        std::string safe = SafePictureFileName(name);
        if (!IsImageFileName(safe) && !HasPngExtension(safe))
            continue;
        std::string bytes;
        part->GetContent(bytes);
        if (SavePicture(safe, bytes, folder, budget, html))
            ++*saved;
    }
}

// Moves the top-level content into a new first part. A single body takes the fields that
// describe its content along; a multipart's preamble is plain text and takes none.
void MoveContentToFirstPart(MimeMessage& message, bool multipart) {
    MimeBody* before = message.Parts().empty() ? nullptr : message.Parts().front().get();
    MimeBody* first = message.CreatePart(MimeHeader::kMediaText, before);
    for (const char* name : kContentFields) {
        const MimeField* field = multipart ? nullptr : message.FindField(name);
        if (!field)
            continue;
        first->Fields().push_back(*field);
        // The message keeps a Content-Type: SetBoundary turns it into the multipart one.
        if (std::string(name) != "Content-Type")
            message.RemoveField(name);
    }
    first->SetContent(message.GetContentData(), message.GetContentLength());
    message.SetContent(nullptr, 0);
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

bool ConvertBody(const std::string& article, PictureFolder& folder, std::string* converted) {
    PictureBudget budget;
    return ConvertBody(article, folder, budget, converted);
}

bool ConvertBody(const std::string& article, PictureFolder& folder, PictureBudget& budget, std::string* converted) {
    const std::string text = WithCrLf(article);
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return false;
    MimeMessage message;
    if (message.Load(text.data(), static_cast<int>(text.size())) < 1)
        return false;

    std::string body;
    message.GetContent(body);
    const bool uuencoded = HasUuencodedPictures(body);
    const bool encoded = uuencoded || HasYencBlocks(body);
    const bool multipart = message.GetMediaType() == MimeHeader::kMediaMultipart;

    std::string html;
    int saved = 0;
    if (encoded) {
        if (!SaveEncodedPictures(body, uuencoded, folder, budget, &html, &saved))
            return false;
    } else {
        SaveImageParts(message, folder, budget, &html, &saved);
    }
    if (saved == 0)
        return false;

    if (encoded || !multipart)
        MoveContentToFirstPart(message, multipart);
    message.SetBoundary(nullptr);
    MimeBody* page = message.CreatePart(MimeHeader::kMediaText);
    page->SetField("Content-Type", "text/html");
    std::string pageText = "<HTML><HEAD></HEAD><BODY>" + html + "</BODY></HTML>";
    page->SetContent(pageText.data(), static_cast<int>(pageText.size()));

    std::string out;
    if (!message.StoreToString(out))
        return false;
    *converted = std::move(out);
    return true;
}
