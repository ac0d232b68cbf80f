// The picture conversion of any article: files are only ever written inside the folder, under
// names that are already safe and no more of them than one message may write, and a converted
// article reads back as a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/MimeMessage.h"
#include "nntp/BodyConverter.h"
#include "nntp/PictureBudget.h"
#include "nntp/PictureFileName.h"
#include "tests/nntp/PictureTest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 18))
        return 0;
    std::string article(reinterpret_cast<const char*>(data), size);
    MapPictureFiles files;
    files.files["C:\\Temp\\a.gif"] = "taken";
    PictureFolder folder("C:\\Temp", files);
    std::string converted;
    bool ok = ConvertBody(article, folder, &converted);
    if (!ok && !converted.empty())
        abort();
    for (const auto& file : files.files) {
        const std::string& path = file.first;
        if (path.compare(0, folder.Folder().size(), folder.Folder()) != 0)
            abort();
        std::string name = path.substr(folder.Folder().size());
        if (SafePictureFileName(name) != name)
            abort();
    }
    if (files.files["C:\\Temp\\a.gif"] != "taken")
        abort();
    // One message never writes more pictures than its budget allows (a.gif was there before).
    if (files.files.size() > 1 + PictureBudget::kMaxPictures)
        abort();
    if (ok) {
        MimeMessage message;
        if (message.Load(converted.data(), static_cast<int>(converted.size())) < 1 ||
            message.GetMediaType() != MimeHeader::kMediaMultipart || message.Parts().empty())
            abort();
        // Opening the same article again reuses every file.
        int writes = files.writes;
        std::string again;
        if (!ConvertBody(article, folder, &again) || files.writes != writes)
            abort();
    }
    return 0;
}
