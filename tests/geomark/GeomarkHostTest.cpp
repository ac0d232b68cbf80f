// Geomark.dll in the stand-in host: this program is a host (it exports the host functions of the
// stand-in mail client), loads the plug-ins folder beside it the way the host does, and calls
// BKC_Geomark as the news plug-in does. The lookup library reads the builder-made database
// written beside this program; the rewritten message is what the host shows as "TEMP".
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/PluginCallbacks.h"
#include "lodestar/LodestarTexts.h"
#include "standin/PluginSet.h"
#include "standin/StandinHost.h"
#include "tests/lodestar/BoxCatcher.h"
#include "tests/lodestar/LookupScenarios.h"

namespace {

const char kNotWritten[] = "<the host's displayed message was not replaced>";

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The plug-ins of one folder, loaded and started for one test and unloaded after it.
class LoadedPlugins {
public:
    explicit LoadedPlugins(const std::string& folder) {
        plugins_.LoadAll(ExecutableFolder() + folder);
        plugins_.Start();
        for (const PluginSet::Plugin& p : plugins_.Plugins()) {
            if (p.file == "Geomark.dll" && p.module) {
                geomark_ =
                    reinterpret_cast<BKC_Geomark_Fn>(reinterpret_cast<void*>(GetProcAddress(p.module, "BKC_Geomark")));
                plugin_ = &p;
            }
        }
    }
    ~LoadedPlugins() {
        plugins_.Exit();
        plugins_.Unload();
    }

    const PluginSet::Plugin* Geomark() const { return plugin_; }

    // Calls BKC_Geomark and returns what the host now shows, or kNotWritten.
    std::string Mark(const std::string& message, int writeAlways) {
        StandinHost& host = StandinHost::Instance();
        {
            std::lock_guard<std::recursive_mutex> lock(host.mutex);
            host.displayedText = kNotWritten;
        }
        EXPECT_EQ(0, geomark_("1234.msg", message.c_str(), writeAlways));
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        return host.displayedText;
    }

private:
    PluginSet plugins_;
    BKC_Geomark_Fn geomark_ = nullptr;
    const PluginSet::Plugin* plugin_ = nullptr;
};

class GeomarkHost : public testing::Test {
protected:
    static void SetUpTestSuite() {
        WriteFile(
            ExecutableFolder() + "QQwry.dat",
            lodestar_test::BuildDatabase("1.1.1.0 1.1.1.255 Alpha\n"
                                         "8.8.8.0 8.8.8.255 Eight e mode1\n"
                                         "9.9.9.0 9.9.9.255 Nine n mode1+2\n"
                                         "10.0.0.0 10.255.255.255 \xb1\xb1\xbe\xa9 \xba\xa3\xb5\xed\n"  // 北京 海淀
                                         "192.168.0.0 192.168.255.255 LAN lan\n"));
        DeleteFileA((ExecutableFolder() + "myip.dat").c_str());
    }
};

std::string Message(const std::string& headers) {
    return "From: someone@example.com\r\nSubject: hello\r\n" + headers + "\r\nThe body.\r\n";
}

std::string LocationOf(const std::string& shown) {
    const std::string name = "\r\nX-Geomark-Location: ";
    const size_t at = shown.find(name);
    if (at == std::string::npos)
        return "<none>";
    const size_t start = at + name.size();
    return shown.substr(start, shown.find("\r\n", start) - start);
}

TEST_F(GeomarkHost, MarksTheSenderLocation) {
    LoadedPlugins plugins("plugins");
    ASSERT_NE(nullptr, plugins.Geomark());
    struct Case {
        const char* what;
        const char* headers;
        std::string location;
    };
    const Case cases[] = {
        {"originating IP after the hops",
         "Received: from a ([8.8.8.8]) by b\r\nX-Originating-IP: 10.1.2.3\r\nReceived: from c ([9.9.9.9]) by d\r\n",
         "\xb1\xb1\xbe\xa9 \xba\xa3\xb5\xed"},
        {"posting host before the hops", "NNTP-Posting-Host: 8.8.8.1\r\nReceived: from c ([9.9.9.9]) by d\r\n",
         "Eight e"},
        {"brackets stripped", "X-Originating-IP: [9.9.9.9]\r\n", "Nine n"},
        {"lowest hop wins", "Received: from a ([8.8.8.8]) by b\r\nReceived: from c ([9.9.9.9]) by d\r\n", "Nine n"},
        {"192.168 hop falls back one up",
         "Received: from a ([8.8.8.8]) by b\r\nReceived: from c ([192.168.1.1]) by d\r\n", "Eight e"},
        {"name and bracket form", "Received: from host (name [9.9.9.1]) by relay\r\n", "Nine n"},
        {"unknown-area marker removed", "X-Originating-IP: 1.1.1.1\r\n", "Alpha "},
        {"host name looked up", "NNTP-Posting-Host: news.example.com\r\n",
         std::string(lodestar::kUnknownCountry) + " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string shown = plugins.Mark(Message(c.headers), 0);
        EXPECT_EQ(c.location, LocationOf(shown));
        // Appended after the last header; everything else as it was.
        EXPECT_EQ(Message(c.headers + std::string("X-Geomark-Location: ") + c.location + "\r\n"), shown);
    }
}

TEST_F(GeomarkHost, ReplacesALowerCaseHeader) {
    LoadedPlugins plugins("plugins");
    const std::string shown = plugins.Mark(Message("x-geomark-location: stale\r\nX-Originating-IP: 8.8.8.8\r\n"), 0);
    EXPECT_EQ(Message("X-Geomark-Location: Eight e\r\nX-Originating-IP: 8.8.8.8\r\n"), shown);
}

TEST_F(GeomarkHost, LongAddressesAndTheWriteAlwaysFlag) {
    LoadedPlugins plugins("plugins");
    const std::string longAddress = Message("X-Originating-IP: 100.100.100.100.1\r\n");  // 17 characters
    EXPECT_EQ(kNotWritten, plugins.Mark(longAddress, 0));
    EXPECT_EQ(longAddress, plugins.Mark(longAddress, 1));
    const std::string noAddress = Message("");
    EXPECT_EQ(kNotWritten, plugins.Mark(noAddress, 0));
    EXPECT_EQ(noAddress, plugins.Mark(noAddress, 1));
    EXPECT_EQ("Eight e", LocationOf(plugins.Mark(Message("X-Originating-IP: 8.8.8.8\r\n"), 1)));
}

TEST_F(GeomarkHost, WithoutTheLookupLibraryTheMessageGoesBackUnchanged) {
    LoadedPlugins plugins("plugins-without-lookup");
    ASSERT_NE(nullptr, plugins.Geomark());
    const std::string message = Message("X-Originating-IP: 8.8.8.8\r\n");
    EXPECT_EQ(message, plugins.Mark(message, 0));
}

TEST_F(GeomarkHost, IntroducesItself) {
    LoadedPlugins plugins("plugins");
    const PluginSet::Plugin* geomark = plugins.Geomark();
    ASSERT_NE(nullptr, geomark);
    EXPECT_EQ("Geomark Plugin", geomark->name);
    EXPECT_EQ("1.4", geomark->version);
    EXPECT_EQ("Enable Becky! to display ip information\na component of Rillpost", geomark->description);
    EXPECT_FALSE(geomark->vendor.empty());
    // The do-nothing callbacks answer 0 and leave the stack as it was.
    EXPECT_EQ(0, geomark->onMenuInit(nullptr, nullptr, 0));
    EXPECT_EQ(0, geomark->onOpenFolder("box\\"));
    EXPECT_EQ(0, geomark->onOpenMail("1.msg"));
    EXPECT_EQ(0, geomark->onEveryMinute());
    EXPECT_EQ(0, geomark->onOpenCompose(nullptr, 5));
    EXPECT_EQ(0, geomark->onOutgoing(nullptr, 0));
    EXPECT_EQ(0, geomark->onKeyDispatch(nullptr, 0, 0));
    EXPECT_EQ(0, geomark->onRetrieve("a", "b"));
    EXPECT_EQ(0, geomark->onSend("Subject: x\r\n\r\n"));
    EXPECT_EQ(0, geomark->onFinishRetrieve(0));

    // Setup shows the plug-in's own message and reports that it did.
    lodestar_test::BoxCatcher catcher;
    EXPECT_EQ(1, geomark->onPlugInSetup(nullptr));
    ASSERT_EQ(1u, catcher.Boxes().size());
    EXPECT_EQ("Geomark Plugin", catcher.Boxes()[0].caption);
}

}  // namespace
