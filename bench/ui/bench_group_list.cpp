// The manage dialog's group lists at the sizes large servers list: builds the model from the
// stored text of 100,000 and 300,000 groups, times filter passes, and loads and saves a
// group-list document of about 8 MB. Prints the figures and fails past the limits.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ui/GroupListModel.h"
#include "xml/XmlDocument.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* const kWords[] = {"comp", "alt", "Sci", "rec", "soc", "talk", "misc", "news", "lang", "binaries",
                              "os", "linux", "games", "music", "Pictures", "d", "answers", "test", "cn", "bbs"};

// Names in the order a server lists them: unsorted, mixed case, about 25 bytes each.
std::vector<std::string> MakeNames(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::string name = kWords[rng() % 20];
        for (int part = 0; part < 3; ++part)
            name += std::string(".") + kWords[rng() % 20];
        name += "." + std::to_string(i);
        names.push_back(name);
    }
    return names;
}

bool Report(const char* what, double ms, double limit) {
    bool ok = ms <= limit;
    std::printf("%-44s %9.2f ms (limit %.0f ms)%s\n", what, ms, limit, ok ? "" : "  TOO SLOW");
    return ok;
}

bool BenchModel(size_t count) {
    std::string stored = GroupListModel::Join(MakeNames(count, 7));
    GroupListModel model;
    auto t0 = Clock::now();
    model.Load(stored);
    double buildMs = MsSince(t0);
    char label[96];
    std::snprintf(label, sizeof label, "%zu groups: build from stored text", count);
    bool ok = Report(label, buildMs, 500 * count / 100000.0);

    // The filter is typed one key at a time; each key is one pass over every name.
    const char* filters[] = {"c", "co", "comp", "comp.lang", "COMP.LANG.D", "zzz", ""};
    double worst = 0;
    size_t shown = 0;
    for (const char* filter : filters) {
        t0 = Clock::now();
        model.SetFilter(filter);
        double ms = MsSince(t0);
        if (ms > worst)
            worst = ms;
        shown += model.VisibleCount();
    }
    std::snprintf(label, sizeof label, "%zu groups: slowest filter pass", count);
    ok = Report(label, worst, 50 * count / 100000.0) && ok;
    return ok && shown > count;
}

bool BenchDocument(const std::string& path) {
    // Four servers of 75,000 groups each: about 8 MB of stored text.
    std::string text = "<Server>\r\n";
    for (int s = 0; s < 4; ++s) {
        std::string location = "news" + std::to_string(s) + ".example.com";
        text += "<" + location + ">" + GroupListModel::Join(MakeNames(75000, 11 + s)) + "</" + location + ">\r\n";
    }
    text += "</Server>\r\n";
    {
        CXmlDocument writer;
        writer.ParseText(text.c_str());
        if (!writer.SaveFile(path.c_str()))
            return false;
    }
    std::printf("group-list document: %.1f MB\n", text.size() / 1048576.0);

    CXmlDocument document;
    GroupListModel model;
    auto t0 = Clock::now();
    bool loaded = document.LoadFile(path.c_str()) && document.FindElement("Server") && document.EnterElement() &&
                  document.FindElement("news2.example.com");
    if (loaded)
        model.Load(document.GetElementText());
    double loadMs = MsSince(t0);
    bool ok = Report("load the document and build one server's model", loadMs, 500) && loaded &&
              model.Size() == 75000;

    // A refresh: the server's new list replaces the old one and the file is written.
    std::vector<std::string> fresh = MakeNames(80000, 99);
    t0 = Clock::now();
    bool saved = document.SetElementText(GroupListModel::Join(fresh).c_str(), false) &&
                 document.SaveFile(path.c_str());
    double saveMs = MsSince(t0);
    ok = Report("store a refreshed list and save the document", saveMs, 500) && saved && ok;
    std::remove(path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool ok = BenchModel(100000);
    ok = BenchModel(300000) && ok;
    ok = BenchDocument(argc > 1 ? argv[1] : "bench_group_list.xml") && ok;
    return ok ? 0 : 1;
}
