// Replays a fuzz target's saved inputs as an ordinary test: every file in the folders named on
// the command line goes through LLVMFuzzerTestOneInput once, under the sanitizers of the build.
// Fails when the folders hold no input at all, so a lost corpus cannot pass unnoticed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (!fs::is_directory(argv[i], error))
            continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[i], error)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no saved inputs in the given folders\n");
        return 1;
    }
    for (const fs::path& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // Reserving a byte keeps the pointer valid for an empty file, as libFuzzer passes it.
        data.reserve(data.size() + 1);
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::printf("replay: %zu inputs\n", inputs.size());
    return 0;
}
