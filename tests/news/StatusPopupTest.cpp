// The status bar's pop-up menu without a host window: the menu ids of long folders, and the walk
// over a folder of damaged headers through fake host functions. The whole flow runs in the
// stand-in (status-popup.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "news/NewsState.h"
#include "news/PopupArticles.h"
#include "news/StatusPopup.h"

namespace {

std::vector<std::pair<std::string, std::string>> gFolder;  // mail, header block
int gHeadersOut = 0;

int WINAPI FakeGetNextMail(int start, LPSTR mail, int size, BOOL) {
    int next = start < 0 ? 0 : start + 1;
    if (next >= static_cast<int>(gFolder.size()))
        return -1;
    lstrcpynA(mail, gFolder[next].first.c_str(), size);
    return next;
}

LPSTR WINAPI FakeGetHeader(LPCSTR mail) {
    for (const auto& m : gFolder) {
        // "gone": a message deleted while the folder is walked.
        if (m.first == mail && m.first != "gone") {
            ++gHeadersOut;
            return _strdup(m.second.c_str());
        }
    }
    return nullptr;
}

void WINAPI FakeFree(LPVOID block) {
    --gHeadersOut;
    free(block);
}

DWORD WINAPI FakeGetStatus(LPCSTR) {
    return 0;
}

std::string LastItemText(HMENU menu) {
    char text[256] = {};
    GetMenuStringA(menu, GetMenuItemCount(menu) - 1, text, sizeof text, MF_BYPOSITION);
    return text;
}

// However many articles a folder has, a submenu never hands out an id of the next range.
TEST(PopupArticlesTest, IdsStayInTheirRange) {
    struct Case {
        UINT firstId;
        int articles;
        const char* lastText;
    } cases[] = {
        {StatusPopup::kFirstNewId, 9999, "subject 9998"},
        {StatusPopup::kFirstOwnId, 10001, "... and 2 more"},
    };
    for (const Case& c : cases) {
        PopupArticles list(c.firstId);
        for (int n = 0; n < c.articles; ++n)
            list.Add("mail" + std::to_string(n), "subject " + std::to_string(n));
        HMENU menu = list.BuildMenu();
        ASSERT_NE(nullptr, menu);
        UINT highest = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            highest = std::max(highest, GetMenuItemID(menu, i));
        EXPECT_EQ(c.firstId + 9998, highest);
        EXPECT_EQ(c.lastText, LastItemText(menu));
        DestroyMenu(menu);
        std::string mail;
        EXPECT_TRUE(list.MailOf(c.firstId + 9998, &mail));
        EXPECT_EQ("mail9998", mail);
        EXPECT_FALSE(list.MailOf(c.firstId + 9999, &mail));
    }
}

// Header blocks of damaged or hostile messages are walked past, and each goes back to the host.
TEST(StatusPopupTest, HostileHeadersAreSurvived) {
    gHostApi.Unbind();
    gHostApi.host = GetModuleHandleA(nullptr);
    gHostApi.BKA_GetNextMail = FakeGetNextMail;
    gHostApi.BKA_GetHeader = FakeGetHeader;
    gHostApi.BKA_Free = FakeFree;
    gHostApi.BKA_GetStatus = FakeGetStatus;
    gNewArticles.Set("", "an empty Message-ID");
    gFolder = {
        {"m1", ""},
        {"m2", "From"},
        {"m3", ":\r\n:\r\n\r\n"},
        {"m4", "From: =?\r\n =?gb2312?B?====?= reader@example.com\r\nMessage-ID:\r\n\r\n"},
        {"m5", std::string(100000, 'F') + ": " + std::string(100000, '=') + "\r\n"},
        {"m6", "Subject: =?utf-8?Q?=E4=BD?=\r\nFrom: reader@example.com\r\n"},
        {"gone", ""},
    };
    StatusPopup popup;
    popup.Collect("reader@example.com", "");
    EXPECT_EQ(0, gHeadersOut);
    EXPECT_EQ(0u, popup.NewArticles().Count());
    EXPECT_EQ(2u, popup.OwnArticles().Count());
    HMENU menu = popup.BuildMenu();
    EXPECT_EQ(2, GetMenuItemCount(menu));
    DestroyMenu(menu);
    gNewArticles.Clear();
    gHostApi.Unbind();
}

}  // namespace
