// The certificate question run from a worker thread, as a failing certificate asks it: it shows
// the problem and the fingerprint, Cancel is the default, and only "Trust this certificate"
// answers yes. With RP_SCREENSHOT_DIR set, the dialog is captured there.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "news/NewsState.h"
#include "standin/UiProbe.h"
#include "ui/CertificateDialog.h"
#include "ui/DialogsRes.h"

namespace {

const char kFingerprint[] =
    "32:90:93:88:DA:F5:54:16:A4:23:8F:E0:95:0C:D7:60:70:DD:2C:FA:B2:37:DB:2F:CD:EC:7E:9E:70:83:FA:EC";

HWND WaitForDialog() {
    for (int waited = 0; waited < 10000; waited += 20) {
        HWND dialog = FindWindowA(nullptr, "Server certificate");
        if (dialog != nullptr && IsWindowVisible(dialog))
            return dialog;
        Sleep(20);
    }
    return nullptr;
}

TEST(CertificateDialog, NamesTheProblemAndTrustsOnlyOnTheExplicitButton) {
    gModule = GetModuleHandleA(nullptr);
    const struct {
        int button;
        bool trusted;
    } cases[] = {{IDOK, true}, {IDCANCEL, false}};
    for (const auto& c : cases) {
        std::atomic<int> answer{-1};
        std::thread worker([&] {
            answer =
                RunCertificateDialog(nullptr, "news.example:563", "The certificate has expired or is not yet valid.",
                                     kFingerprint, "news.example")
                    ? 1
                    : 0;
        });
        HWND dialog = WaitForDialog();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(kFingerprint, UiProbe::WindowText(GetDlgItem(dialog, IDC_CERT_FINGERPRINT)));
        EXPECT_NE(std::string::npos, UiProbe::WindowText(GetDlgItem(dialog, IDC_CERT_PROBLEM)).find("expired"));
        EXPECT_NE(std::string::npos, UiProbe::WindowText(GetDlgItem(dialog, IDC_CERT_SERVER)).find("news.example:563"));
        EXPECT_EQ(IDCANCEL, LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)));
        const char* shots = std::getenv("RP_SCREENSHOT_DIR");
        if (shots && *shots && c.trusted) {
            Sleep(500);  // painted by its own thread
            UiProbe::SaveWindowBitmap(dialog, std::string(shots) + "\\certificate.bmp");
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        worker.join();
        EXPECT_EQ(c.trusted ? 1 : 0, answer.load());
    }
}

}  // namespace
