// A large configuration: 200 servers with 50 subscribed groups each. Times the load, 10,000
// server/group lookups alone and among edits, one edit and a save (which writes the texts the
// edits left held), and prints the figures. Either set of lookups may take at most 50 ms.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "xml/XmlConfig.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ServerId(int s) {
    return "mailbox" + std::to_string(s) + "\\";
}

std::string FolderId(int s, int g) {
    return ServerId(s) + "group" + std::to_string(g) + "\\";
}

std::string BuildConfig(int servers, int groups) {
    std::string t =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Setup>\r\n<Configuration>\r\n"
        "<MaxNum>100</MaxNum>\r\n<SynTime>0</SynTime>\r\n</Configuration>\r\n";
    for (int s = 0; s < servers; ++s) {
        t += "<Server>\r\n<ID>" + ServerId(s) + "</ID>\r\n<Location>news" + std::to_string(s) +
             ".example.com</Location>\r\n<Authenication>0</Authenication>\r\n<Username></Username>\r\n"
             "<Password></Password>\r\n";
        for (int g = 0; g < groups; ++g) {
            t += "<Subgroup>\r\n<FolderID>" + FolderId(s, g) + "</FolderID>\r\n<GroupName>comp.group" +
                 std::to_string(g) + "</GroupName>\r\n<Synchronization>1</Synchronization>\r\n<LastNumber>" +
                 std::to_string(1000 + g) + "</LastNumber>\r\n<HaveRead>0</HaveRead>\r\n</Subgroup>\r\n";
        }
        t += "</Server>\r\n";
    }
    return t + "</Setup>\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    const int servers = 200, groups = 50, lookups = 10000;
    std::string path = argc > 1 ? argv[1] : "bench_config.xml";
    {
        CXmlDocument writer;
        writer.ParseText(BuildConfig(servers, groups).c_str());
        writer.SaveFile(path.c_str());
    }

    CXmlConfig config;
    auto t0 = Clock::now();
    config.LoadConfig(path.c_str());
    double loadMs = MsSince(t0);
    if (!config.HasRootElement()) {
        std::fprintf(stderr, "bench_xml_config: the configuration did not parse\n");
        return 1;
    }

    std::mt19937 rng(42);
    int found = 0;
    t0 = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        int s = rng() % servers, g = rng() % groups;
        if (config.SelectServerGroup(ServerId(s).c_str(), FolderId(s, g).c_str(), true, false))
            ++found;
    }
    double lookupMs = MsSince(t0);

    // As a synchronization run does: every lookup is followed by a write of the group's
    // LastNumber, and every hundredth by a folder rename, which the lookups must follow.
    int followed = 0;
    t0 = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        int s = rng() % servers, g = rng() % groups;
        std::string folder = FolderId(s, g);
        if (!config.SelectServerGroup(ServerId(s).c_str(), folder.c_str(), true, false))
            continue;
        config.SavePosition("TE");
        config.SetInt("LastNumber", 2000 + i, true, true);
        if (i % 100 == 0) {
            config.RestorePosition("TE");
            std::string renamed = ServerId(s) + "renamed" + std::to_string(i) + "\\";
            config.SetString("FolderID", renamed.c_str(), true, true);
            if (config.SelectServerGroup(ServerId(s).c_str(), folder.c_str(), true, false) ||
                !config.SelectServerGroup(ServerId(s).c_str(), renamed.c_str(), true, false))
                continue;
            config.SavePosition("TE");
            config.SetString("FolderID", folder.c_str(), true, true);
        }
        ++followed;
    }
    double editedLookupMs = MsSince(t0);

    t0 = Clock::now();
    bool edited = config.SelectServerGroup(ServerId(100).c_str(), FolderId(100, 25).c_str(), true, false) &&
                  config.SavePosition("TE") && config.SetString("LastNumber", "987654", true, true);
    double editMs = MsSince(t0);

    t0 = Clock::now();
    bool saved = config.SaveFile(path.c_str());
    double saveMs = MsSince(t0);
    std::remove(path.c_str());

    std::printf("configuration: %d servers x %d groups, %zu bytes\n", servers, groups, config.GetText().size());
    std::printf("load:                     %8.2f ms\n", loadMs);
    std::printf("%d lookups:            %8.2f ms (%.2f us each, %d found)\n", lookups, lookupMs,
                lookupMs * 1000 / lookups, found);
    std::printf("%d lookups with edits: %8.2f ms (%d followed)\n", lookups, editedLookupMs, followed);
    std::printf("one SetString edit:       %8.3f ms%s\n", editMs, edited ? "" : " (FAILED)");
    std::printf("save:                     %8.2f ms%s\n", saveMs, saved ? "" : " (FAILED)");
    // Lookups among edits are what a synchronization does; an edit must not cost a pass over the text.
    bool fast = lookupMs <= 50 && editedLookupMs <= 50;
    if (lookupMs > 50)
        std::printf("the lookups took longer than 50 ms\n");
    if (editedLookupMs > 50)
        std::printf("the lookups with edits took longer than 50 ms\n");
    return found == lookups && followed == lookups && edited && saved && fast ? 0 : 1;
}
