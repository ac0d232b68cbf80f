// The lookup scenarios through Lodestar.dll's _GetAddress, with the files written beside this
// program (the library reads them from the folder of the process's executable). Message boxes
// that loading shows are read and closed by a BoxCatcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "lodestar/IpLocation.h"
#include "lodestar/LodestarTexts.h"
#include "tests/lodestar/BoxCatcher.h"
#include "tests/lodestar/LookupScenarios.h"

namespace lodestar_test {
namespace {

using GetAddressFn = const IpLocation*(__cdecl*)(const char*);

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void PlaceFile(const std::string& path, bool present, const std::vector<unsigned char>& bytes) {
    DeleteFileA(path.c_str());
    if (!present)
        return;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

SeenBox Expected(Box box, const std::string& folder) {
    switch (box) {
        case Box::OpenFailed:
            return {lodestar::kOpenFailedCaption, folder + "QQwry.dat"};
        case Box::Damaged:
            return {lodestar::kDamagedCaption, folder + "QQwry.dat"};
        case Box::LargeOwnTable:
            return {lodestar::kLargeOwnTableCaption, lodestar::kLargeOwnTableText};
    }
    return {};
}

TEST(LodestarDll, AnswersEveryScenarioThroughGetAddress) {
    const std::string folder = ExecutableFolder();
    for (const Scenario& s : LookupScenarios()) {
        SCOPED_TRACE(s.name);
        PlaceFile(folder + "QQwry.dat", s.hasDatabase, s.database);
        PlaceFile(folder + "myip.dat", s.hasOwnTable, s.ownTable);

        std::vector<SeenBox> boxes;
        HMODULE library = nullptr;
        {
            BoxCatcher catcher;
            library = LoadLibraryA("Lodestar.dll");
            boxes = catcher.Boxes();
        }
        ASSERT_NE(nullptr, library);
        ASSERT_EQ(s.boxes.size(), boxes.size());
        for (size_t i = 0; i < boxes.size(); ++i) {
            const SeenBox expected = Expected(s.boxes[i], folder);
            EXPECT_EQ(expected.caption, boxes[i].caption);
            EXPECT_EQ(expected.text, boxes[i].text);
        }

        auto getAddress = reinterpret_cast<GetAddressFn>(GetProcAddress(library, "_GetAddress"));
        ASSERT_NE(nullptr, getAddress);
        for (const Query& q : s.queries) {
            SCOPED_TRACE("address '" + q.address + "'");
            const IpLocation* result = getAddress(q.address.c_str());
            ASSERT_NE(nullptr, result);
            EXPECT_EQ(q.country, result->country);
            EXPECT_EQ(q.area, result->area);
        }
        EXPECT_STREQ(lodestar::kUnknownCountry, getAddress(nullptr)->country);
        FreeLibrary(library);
    }
    DeleteFileA((folder + "QQwry.dat").c_str());
    DeleteFileA((folder + "myip.dat").c_str());
}

}  // namespace
}  // namespace lodestar_test
