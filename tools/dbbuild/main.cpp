// dbbuild: writes the lookup library's data files from plain text range lists.
//
//   dbbuild qqwry [--layout=auto|inline|mode1|mode1+2|mode2|mode2area] <list.txt> <QQwry.dat>
//   dbbuild myip [--widths=W1,W2,W3,W4,W5] <list.txt> <myip.dat>
//
// The list format is described in RangeList.h. Exit code 0 on success, 1 with a message on
// standard error otherwise.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/dbbuild/MyipBuilder.h"
#include "tools/dbbuild/QqwryBuilder.h"
#include "tools/dbbuild/RangeList.h"

namespace {

const char kUsage[] =
    "usage: dbbuild qqwry [--layout=auto|inline|mode1|mode1+2|mode2|mode2area] <list.txt> <QQwry.dat>\n"
    "       dbbuild myip [--widths=W1,W2,W3,W4,W5] <list.txt> <myip.dat>\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "dbbuild: %s\n", message.c_str());
    return 1;
}

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool ParseWidths(const std::string& text, unsigned widths[5]) {
    std::istringstream in(text);
    std::string part;
    int count = 0;
    while (std::getline(in, part, ',')) {
        if (count == 5 || part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        widths[count++] = static_cast<unsigned>(std::stoul(part));
    }
    return count == 5;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Fail(std::string("missing command\n") + kUsage);
    const std::string command = argv[1];
    dbbuild::Layout layout = dbbuild::Layout::Auto;
    unsigned widths[5] = {};
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (command == "qqwry" && arg.rfind("--layout=", 0) == 0) {
            if (!dbbuild::ParseLayout(arg.substr(9), layout))
                return Fail("unknown layout " + arg.substr(9));
        } else if (command == "myip" && arg.rfind("--widths=", 0) == 0) {
            if (!ParseWidths(arg.substr(9), widths))
                return Fail("--widths needs five numbers separated by commas");
        } else {
            files.push_back(arg);
        }
    }
    if ((command != "qqwry" && command != "myip") || files.size() != 2)
        return Fail(std::string("bad arguments\n") + kUsage);

    std::string list;
    if (!ReadText(files[0], list))
        return Fail("cannot read " + files[0]);
    std::vector<unsigned char> bytes;
    std::string error;
    if (command == "qqwry") {
        std::vector<dbbuild::Range> ranges;
        if (!dbbuild::ParseRangeList(list, layout, ranges, error))
            return Fail(files[0] + ": " + error);
        dbbuild::QqwryBuilder builder;
        for (dbbuild::Range& range : ranges)
            builder.Add(std::move(range));
        if (!builder.Build(bytes, error))
            return Fail(files[0] + ": " + error);
    } else {
        std::vector<dbbuild::MyipRow> rows;
        if (!dbbuild::ParseMyipList(list, rows, error))
            return Fail(files[0] + ": " + error);
        dbbuild::MyipBuilder builder;
        builder.SetWidths(widths);
        for (dbbuild::MyipRow& row : rows)
            builder.Add(std::move(row));
        if (!builder.Build(bytes, error))
            return Fail(error);
    }
    if (!WriteBytes(files[1], bytes))
        return Fail("cannot write " + files[1]);
    return 0;
}
