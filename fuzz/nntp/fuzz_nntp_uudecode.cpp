// Uuencoded blocks with hostile line lengths and file names: the decoder writes into a buffer of
// exactly the given capacity (the first byte picks it), and every name found is made safe.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "nntp/PictureFileName.h"
#include "nntp/Uudecode.h"

namespace {

void CheckName(const std::string& name) {
    std::string safe = SafePictureFileName(name);
    if (safe.size() > kMaxPictureFileName || SafePictureFileName(safe) != safe)
        abort();
    if (safe.empty())
        return;
    std::string numbered = NumberedFileName(safe, 100);
    if (numbered.size() > kMaxPictureFileName || SafePictureFileName(numbered) != numbered)
        abort();
    if (LowerFileName(safe).size() != safe.size())
        abort();
    IsImageFileName(safe);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1 << 16))
        return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t capacity = text.size() * data[0] / 255;
    std::vector<char> out(capacity);
    size_t decoded = 0;
    if (!UudecodeBlock(text.data(), text.size(), out.data(), capacity, &decoded) || decoded > capacity)
        abort();

    CheckName(text);
    UuBlock block;
    for (size_t from = 0; FindUuBlock(text, from, &block); from = block.end) {
        if (block.begin < from || block.end <= block.begin || block.end > text.size())
            abort();
        CheckName(block.fileName);
    }
    return 0;
}
