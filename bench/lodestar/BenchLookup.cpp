// Builds a database of 500,000 ranges, then times its load (file read + index check) and one
// million lookups of random addresses, against a plain binary search over a flat sorted array
// of the start addresses (the practical limit for any lookup of this kind).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "lodestar/Lodestar.h"
#include "tools/dbbuild/QqwryBuilder.h"

namespace {

constexpr size_t kRanges = 500000;
constexpr size_t kLookups = 1000000;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Reads the whole file into one buffer, as the library does at load.
std::vector<unsigned char> ReadFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
            bytes.clear();
        std::fclose(file);
    }
    return bytes;
}

}  // namespace

int main() {
    // Back-to-back ranges of random length over the whole address space, with few countries and
    // many shared areas, as in published databases.
    std::mt19937 random(20260101);
    std::vector<uint32_t> starts;
    dbbuild::QqwryBuilder builder;
    const uint32_t step = 0xFFFFFFFFu / kRanges;
    for (size_t i = 0; i < kRanges; ++i) {
        const uint32_t start = static_cast<uint32_t>(i) * step + (i ? random() % (step / 2) : 0);
        starts.push_back(start);
    }
    for (size_t i = 0; i < kRanges; ++i) {
        const uint32_t start = starts[i];
        const uint32_t end = i + 1 < kRanges ? starts[i + 1] - 1 : 0xFFFFFFFFu;
        builder.Add({start, end, "Country" + std::to_string(random() % 60), "Area" + std::to_string(random() % 5000),
                     dbbuild::Layout::Auto});
    }
    std::vector<unsigned char> bytes;
    std::string error;
    if (!builder.Build(bytes, error)) {
        std::fprintf(stderr, "build failed: %s\n", error.c_str());
        return 1;
    }
    const std::string path = "bench_lodestar_QQwry.dat";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    lodestar::Lodestar lodestar;
    Clock::time_point t = Clock::now();
    const bool loaded = lodestar.LoadDatabase(ReadFile(path)) == lodestar::QqwryReader::LoadResult::Loaded;
    const double loadMs = Milliseconds(t);
    std::remove(path.c_str());
    if (!loaded) {
        std::fprintf(stderr, "load failed\n");
        return 1;
    }

    std::vector<uint32_t> addresses(kLookups);
    std::vector<std::string> texts(kLookups);
    for (size_t i = 0; i < kLookups; ++i) {
        addresses[i] = static_cast<uint32_t>(random());
        const uint32_t a = addresses[i];
        texts[i] = std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." + std::to_string(a >> 8 & 255) +
                   "." + std::to_string(a & 255);
    }

    lodestar::QqwryReader reader;
    reader.Load(bytes);

    // Each method runs twice: back to back (the processor overlaps the memory waits of
    // consecutive lookups), and chained, where each lookup's input index depends on the result
    // before it (through a mask that is zero at run time), which measures one lookup's latency as
    // a caller with one address per message sees it. Three rounds each, keeping the best, so
    // that other work on the machine slows a method only in some rounds.
    volatile size_t zero = 0;
    size_t check = 0;
    struct Times {
        double getAddress = 1e9, find = 1e9, flat = 1e9;
    } times[2];
    for (int round = 0; round < 3; ++round) {
        for (int chained = 0; chained < 2; ++chained) {
            const size_t mask = chained ? zero : 0;
            size_t previous = 0;
            t = Clock::now();
            for (size_t i = 0; i < kLookups; ++i) {
                const std::string& text = texts[i ^ (previous & mask)];
                previous = static_cast<unsigned char>(lodestar.GetAddress(text.c_str())->area[0]);
                check += previous;
            }
            times[chained].getAddress = std::min(times[chained].getAddress, Milliseconds(t));

            t = Clock::now();
            for (size_t i = 0; i < kLookups; ++i) {
                std::string_view country;
                std::string_view area;
                previous = reader.Find(addresses[i ^ (previous & mask)], country, area) ? area.size() : 1;
                check += previous;
            }
            times[chained].find = std::min(times[chained].find, Milliseconds(t));

            t = Clock::now();
            for (size_t i = 0; i < kLookups; ++i) {
                const uint32_t address = addresses[i ^ (previous & mask)];
                previous =
                    static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), address) - starts.begin());
                check += previous;
            }
            times[chained].flat = std::min(times[chained].flat, Milliseconds(t));
        }
    }

    std::printf("bench_lodestar: %zu ranges, file %.1f MB, %zu random addresses\n", kRanges, bytes.size() / 1048576.0,
                kLookups);
    std::printf("  load (read file + check index):  %7.2f ms  (goal < 20 ms)\n", loadMs);
    const char* const kModes[2] = {"back to back", "one at a time (chained)"};
    for (int chained = 0; chained < 2; ++chained) {
        const Times& m = times[chained];
        std::printf("  %s, ns per lookup:\n", kModes[chained]);
        std::printf("    GetAddress (text in, texts out): %6.0f   ratio to flat %.2f\n", m.getAddress * 1e6 / kLookups,
                    m.getAddress / m.flat);
        std::printf("    reader lookup (number in, texts): %5.0f   ratio to flat %.2f\n", m.find * 1e6 / kLookups,
                    m.find / m.flat);
        std::printf("    flat binary search of starts:    %6.0f\n", m.flat * 1e6 / kLookups);
    }
    std::printf("  goal: ratio <= 2.0 (checksum %zu)\n", check);
    return 0;
}
