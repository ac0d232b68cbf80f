// yEnc decoding plus CRC-32 of a 50 MB part, against two decoders we did not write: Debian's
// python3-yenc (plain C) and python3-sabyenc (SIMD), timed inside the system Python on the same
// block in the same run. Rounds are interleaved; medians of five are printed with MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "nntp/Ydecode.h"

namespace {

std::string Encode(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 32);
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = static_cast<char>(static_cast<unsigned char>(bytes[i]) + 42);
        bool last = i + 1 == bytes.size() || column >= 127;
        if (c == '\0' || c == '\r' || c == '\n' || c == '=' || (column == 0 && (c == '\t' || c == ' ' || c == '.')) ||
            (last && (c == '\t' || c == ' '))) {
            out += '=';
            c = static_cast<char>(c + 64);
            ++column;
        }
        out += c;
        if (++column >= 128 || i + 1 == bytes.size()) {
            out += "\r\n";
            column = 0;
        }
    }
    return out;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const size_t kSize = size_t{50} << 20;
    std::mt19937 rng(7);
    std::string file(kSize, '\0');
    for (char& c : file)
        c = static_cast<char>(rng());
    char head[128], tail[128];
    snprintf(head, sizeof head, "=ybegin part=1 line=128 size=%zu name=big.bin\r\n", kSize);
    snprintf(tail, sizeof tail, "=yend size=%zu part=1 pcrc32=%08x\r\n", kSize,
             static_cast<unsigned>(Crc32(file.data(), file.size())));
    std::string lines = Encode(file);
    std::string block = head + lines + tail;
    const char* path = "bench_ydecode_block.txt";
    FILE* f = fopen(path, "wb");
    if (!f || fwrite(block.data(), 1, block.size(), f) != block.size()) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    fclose(f);

    std::string command = std::string("/usr/bin/python3 ") + RP_SOURCE_DIR + "/bench/nntp/yenc_anchor.py " + path;
    std::vector<double> ours, plain, simd;
    bool anchors = true;
    for (int round = 0; round < 5; ++round) {
        std::string out;
        auto start = std::chrono::steady_clock::now();
        bool ok = YdecodeData(lines.data(), lines.size(), &out);
        unsigned crc = Crc32(out.data(), out.size());
        ours.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!ok || out != file || crc != Crc32(file.data(), file.size())) {
            fprintf(stderr, "our decoder gave other bytes\n");
            return 1;
        }
        FILE* p = anchors ? popen(command.c_str(), "r") : nullptr;
        double a = 0, b = 0;
        if (!p || fscanf(p, "%lf %lf", &a, &b) != 2) {
            anchors = false;
        } else {
            plain.push_back(a);
            simd.push_back(b);
        }
        if (p)
            pclose(p);
    }
    remove(path);
    double mb = static_cast<double>(kSize) / (1 << 20);
    double o = Median(ours);
    printf("yEnc decode + CRC-32 of a 50 MB part (median of 5)\n");
    printf("  ours                   %8.1f ms  %7.1f MB/s\n", o, mb / o * 1000);
    if (!anchors) {
        printf("  anchors not run: python3-yenc and python3-sabyenc are needed in /usr/bin/python3\n");
        return 1;
    }
    double p = Median(plain), s = Median(simd);
    printf("  python3-yenc (C)       %8.1f ms  %7.1f MB/s  ours/it %.2f (goal <= 1.0)\n", p, mb / p * 1000, o / p);
    printf("  python3-sabyenc (SIMD) %8.1f ms  %7.1f MB/s  ours/it %.2f (goal <= 2.0)\n", s, mb / s * 1000, o / s);
    return 0;
}
