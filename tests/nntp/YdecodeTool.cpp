// Decodes the first yEnc block of each stored article's text (a file per argument) and writes the
// file's bytes beside it as <article>.out; a refused block writes nothing. Used to compare our
// decoder with independent ones.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "nntp/Ydecode.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: ydecode_tool <article file>...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        YencBlock block;
        std::string bytes;
        if (!FindYencBlock(text, 0, &block) || !DecodeSingleYencFile(text, block, &bytes))
            continue;
        std::ofstream out(std::string(argv[i]) + ".out", std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return 0;
}
