// The link control on a real static: a click that the shell refuses is reported with the text
// for its code and leaves the link unvisited; one that succeeds marks it visited. No browser is
// started: gOpenLink is replaced.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "news/NewsState.h"
#include "ui/LinkControl.h"

namespace {

INT_PTR gResult = 0;
std::vector<std::string> gOpened;
std::vector<std::string> gShown;

INT_PTR RecordOpen(const std::string& target) {
    gOpened.push_back(target);
    return gResult;
}

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR, UINT) {
    gShown.push_back(text);
    return IDOK;
}

TEST(LinkControl, ClickOpensTheTextAsTargetAndReportsRefusals) {
    gOpenLink = RecordOpen;
    gShowMessageBox = RecordBox;
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND label = CreateWindowExA(0, "STATIC", "https://x.example/", WS_CHILD | WS_VISIBLE, 10, 10, 250, 20, parent,
                                 nullptr, nullptr, nullptr);
    {
        LinkControl link;
        link.Attach(label);
        EXPECT_EQ("https://x.example/", link.Target());

        gResult = 26;
        SendMessageA(label, WM_LBUTTONUP, 0, 0);
        ASSERT_EQ(1u, gShown.size());
        EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", gShown[0]);
        EXPECT_FALSE(link.Visited());

        gResult = 42;
        SendMessageA(label, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(1u, gShown.size());
        EXPECT_TRUE(link.Visited());
        EXPECT_EQ((std::vector<std::string>(2, "https://x.example/")), gOpened);
        DestroyWindow(parent);
    }
    gShowMessageBox = MessageBoxA;
}

}  // namespace
