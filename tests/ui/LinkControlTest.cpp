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

// Which of the three link colours the painted control shows: it is painted for real on a shown
// window and read back from the screen.
struct Seen {
    int link, visited, hover;
};

Seen PaintedColours(HWND label) {
    InvalidateRect(label, nullptr, TRUE);
    UpdateWindow(label);
    RECT client;
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    Seen seen = {0, 0, 0};
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            seen.link += c == RGB(0, 0, 238);
            seen.visited += c == RGB(85, 26, 139);
            seen.hover += c == RGB(255, 0, 0);
        }
    }
    ReleaseDC(label, dc);
    return seen;
}

TEST(LinkControl, PaintsInTheLinkColourTheHoverColourUnderThePointerAndTheVisitedColourOnceOpened) {
    gOpenLink = RecordOpen;
    gResult = 42;
    HWND parent = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND label = CreateWindowExA(0, "STATIC", "https://colour.example/", WS_CHILD | WS_VISIBLE, 10, 10, 250, 20, parent,
                                 nullptr, nullptr, nullptr);
    {
        LinkControl link;
        link.Attach(label);
        Seen plain = PaintedColours(label);
        EXPECT_GT(plain.link, 0);
        EXPECT_EQ(0, plain.visited + plain.hover);

        // The hover ends on a timer that this test never dispatches.
        SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        Seen hovered = PaintedColours(label);
        EXPECT_GT(hovered.hover, 0);
        EXPECT_EQ(0, hovered.link + hovered.visited);

        SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Seen visited = PaintedColours(label);
        EXPECT_GT(visited.visited, 0);
        EXPECT_EQ(0, visited.link + visited.hover);
        DestroyWindow(parent);
    }
}

}  // namespace
