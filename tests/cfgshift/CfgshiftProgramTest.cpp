// Runs Cfgshift.exe as a user or a script would: from the command line, and through its dialog,
// driving the windows by their control ids. The dialog tests need a display and skip without one.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <cstdlib>
#include <functional>
#include <string>

#include "cfgshift/CfgshiftRes.h"
#include "cfgshift/ConfigConversion.h"
#include "cfgshift/IniReader.h"
#include "xml/AtomicFile.h"
#include "xml/XmlConfig.h"

namespace {

// Common dialog control ids: the file-name box (a combo box in newer layouts, an edit in older
// ones) and the file-type list.
const int kFileNameCombo = 0x47c;
const int kFileNameEdit = 0x480;
const int kFileTypeCombo = 0x470;
// The static control that holds a message box's text.
const int kMessageBoxText = 0xffff;

const char kIni[] =
    "[Setup]\r\nOnline=0\r\nMaxNum=30\r\n"
    "[news.ui.example]\r\nID=405fa3cb.mb\\\r\nLogin=0\r\n"
    "405fa3cb.mb\\one\\=ui.one\r\nui.one=3\r\n405fa3cb.mb\\two\\=ui.two\r\n";

std::string ProgramFolder() {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    atomicfile::ReadAll(path.c_str(), bytes);
    return bytes;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Expected(const std::string& iniText) {
    CIniReader ini;
    ini.ParseText(iniText);
    CXmlConfig config;
    cfgshift::ConvertIni(ini, config);
    return config.GetText();
}

// A fresh folder under the temporary folder, removed with its files at the end of a test.
class TempFolder {
public:
    TempFolder() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        path_ = std::string(temp) + "cfgshift-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter_++) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((path_ + "*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + data.cFileName).c_str());
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    static int counter_;
    std::string path_;
};
int TempFolder::counter_ = 0;

struct RunResult {
    DWORD exitCode = 0xffffffff;
    std::string output;  // standard output and error together
};

RunResult RunProgram(const std::string& arguments) {
    RunResult result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + ProgramFolder() + "Cfgshift.exe\" " + arguments;
    BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (started) {
        // Read only what is there while the program runs: a process that the program starts
        // (under Wine, the first GUI program of a prefix starts the desktop process) inherits
        // the pipe's write end and keeps it open, so waiting for the end of the pipe could
        // wait forever.
        auto drain = [&]() {
            DWORD available = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                char buf[512];
                DWORD n = 0;
                if (!ReadFile(readEnd, buf, sizeof(buf), &n, nullptr) || n == 0)
                    break;
                result.output.append(buf, n);
            }
        };
        DWORD waited = 0;
        while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT && (waited += 50) < 30000)
            drain();
        drain();
        if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return result;
}

TEST(CfgshiftCommandLine, ConvertsBesideTheIniFile) {
    TempFolder dir;
    ASSERT_TRUE(atomicfile::WriteAll((dir / "\xBE\xC9.Profile.ini").c_str(), kIni));
    RunResult run = RunProgram("\"" + dir / "\xBE\xC9.Profile.ini" + "\"");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(Expected(kIni), ReadWholeFile(dir / "\xBE\xC9.Profile.xml"));
}

TEST(CfgshiftCommandLine, WritesTheNamedXmlFile) {
    TempFolder dir;
    ASSERT_TRUE(atomicfile::WriteAll((dir / "in.ini").c_str(), kIni));
    RunResult run = RunProgram("\"" + dir / "in.ini" + "\" \"" + dir / "out.xml" + "\"");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(Expected(kIni), ReadWholeFile(dir / "out.xml"));
    EXPECT_FALSE(FileExists(dir / "in.xml"));
}

TEST(CfgshiftCommandLine, NamesTheSectionsWhoseGroupsWereLeftOut) {
    TempFolder dir;
    ASSERT_TRUE(atomicfile::WriteAll((dir / "in.ini").c_str(), "[no.id]\r\nLogin=0\r\nsome\\folder\\=g\r\n"));
    RunResult run = RunProgram("\"" + dir / "in.ini" + "\"");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("left out")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("[no.id]")) << run.output;
}

TEST(CfgshiftCommandLine, FailuresExitWithOneAndSayWhy) {
    TempFolder dir;
    RunResult missing = RunProgram("\"" + dir / "missing.ini" + "\"");
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.output.find("Cannot read")) << missing.output;
    EXPECT_FALSE(FileExists(dir / "missing.xml"));

    ASSERT_TRUE(atomicfile::WriteAll((dir / "in.ini").c_str(), kIni));
    RunResult unwritable = RunProgram("\"" + dir / "in.ini" + "\" \"" + dir / "no-such-folder\\out.xml" + "\"");
    EXPECT_EQ(1u, unwritable.exitCode);
    EXPECT_NE(std::string::npos, unwritable.output.find("Cannot write")) << unwritable.output;
}

TEST(CfgshiftCommandLine, TooManyArgumentsShowUsage) {
    RunResult run = RunProgram("a.ini b.xml c");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_NE(std::string::npos, run.output.find("Usage: Cfgshift.exe")) << run.output;
}

struct WindowSearch {
    DWORD pid;
    HWND skip;
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd) || hwnd == search->skip || !(*search->accept)(hwnd))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// Drives the dialog program. Every wait is bounded; a process left over is ended at the end.
class CfgshiftDialogTest : public testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        RP_REQUIRE_OR_SKIP(display && *display, "no display");
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string commandLine = "\"" + ProgramFolder() + "Cfgshift.exe\"";
        ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
        // The first program started in a new Wine prefix may wait for the prefix to be set up.
        main_ = WaitForWindow([](HWND) { return true; }, 90);
        ASSERT_NE(nullptr, main_) << "the dialog did not open";
    }
    void TearDown() override {
        if (!pi_.hProcess)
            return;
        if (main_)
            PostMessageA(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 15000) != WAIT_OBJECT_0)
            TerminateProcess(pi_.hProcess, 99);
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        EXPECT_EQ(0u, code);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }

    // The first visible top-level window of the program, other than the main dialog, that passes
    // the check; nullptr if there is none.
    HWND FindWindowNow(const std::function<bool(HWND)>& accept) {
        WindowSearch search = {pi_.dwProcessId, main_, &accept, nullptr};
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static bool IsDialog(HWND hwnd) {
        char cls[64] = {};
        GetClassNameA(hwnd, cls, sizeof(cls));
        return lstrcmpA(cls, "#32770") == 0;
    }

    // Waits up to the given time for a dialog window of the program that passes the check.
    HWND WaitForWindow(const std::function<bool(HWND)>& accept, int seconds = 20) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (HWND found = FindWindowNow([&](HWND hwnd) { return IsDialog(hwnd) && accept(hwnd); }))
                return found;
            Sleep(100);
        }
        return nullptr;
    }

    // Control texts of another process are asked for with WM_GETTEXT: GetWindowText would only
    // return the caption stored at creation.
    static std::string Text(HWND hwnd) {
        char buf[1024] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000,
                            &length);
        return buf;
    }

    static void SetText(HWND hwnd, const std::string& text) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                            &result);
    }

    static HWND FileNameBox(HWND dialog) {
        HWND box = GetDlgItem(dialog, kFileNameCombo);
        return box ? box : GetDlgItem(dialog, kFileNameEdit);
    }

    void Press(HWND dialog, int id) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    // Presses a button of the main dialog and returns the open-file dialog that it shows.
    HWND OpenFileDialogFrom(int button) {
        Press(main_, button);
        return WaitForWindow([](HWND hwnd) { return FileNameBox(hwnd) != nullptr; });
    }

    // Waits until the program has no window but the main dialog.
    bool WaitForOnlyMain() {
        for (int i = 0; i < 200; ++i) {
            if (!FindWindowNow([](HWND) { return true; }))
                return true;
            Sleep(100);
        }
        return false;
    }

    PROCESS_INFORMATION pi_ = {};
    HWND main_ = nullptr;
};

TEST_F(CfgshiftDialogTest, OpensWithItsTextsAndIcon) {
    EXPECT_EQ("Cfgshift", Text(main_));
    EXPECT_EQ(
        "Cfgshift ver 1.0\n\nThis tool is used to convert Rillpost ver 1.52 and before config ini to xml in 1.6 or "
        "higher.",
        Text(GetDlgItem(main_, IDC_INTRO)));
    HWND convert = GetDlgItem(main_, IDC_CONVERT);
    HWND read = GetDlgItem(main_, IDC_READ);
    EXPECT_EQ("Convert Now!", Text(convert));
    EXPECT_TRUE(IsWindowVisible(convert));
    EXPECT_EQ("Read", Text(read));
    EXPECT_FALSE(IsWindowVisible(read));
}

// The window's icon cannot be asked for from another process, so the resource is checked: it
// loads at the large and the small icon size.
TEST(CfgshiftResources, IconHasLargeAndSmallImages) {
    HMODULE exe = LoadLibraryExA((ProgramFolder() + "Cfgshift.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    for (int size : {32, 16}) {
        HICON icon = static_cast<HICON>(LoadImageA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        if (icon)
            DestroyIcon(icon);
    }
    FreeLibrary(exe);
}

TEST_F(CfgshiftDialogTest, ConvertNowConvertsTheChosenFile) {
    TempFolder dir;
    ASSERT_TRUE(atomicfile::WriteAll((dir / "Rillpost.ini").c_str(), kIni));

    // Cancel leaves nothing behind.
    HWND open = OpenFileDialogFrom(IDC_CONVERT);
    ASSERT_NE(nullptr, open);
    EXPECT_EQ("Rillpost.ini", Text(FileNameBox(open)));
    EXPECT_EQ("Rillpost Config File(*.ini)", Text(GetDlgItem(open, kFileTypeCombo)));
    Press(open, IDCANCEL);
    ASSERT_TRUE(WaitForOnlyMain());
    EXPECT_FALSE(FileExists(dir / "Rillpost.xml"));

    open = OpenFileDialogFrom(IDC_CONVERT);
    ASSERT_NE(nullptr, open);
    SetText(FileNameBox(open), (dir / "Rillpost.ini").c_str());
    Press(open, IDOK);
    // The file dialog may be gone before the conversion has run: wait for the file itself.
    std::string expected = Expected(kIni);
    for (int i = 0; i < 300 && ReadWholeFile(dir / "Rillpost.xml") != expected; ++i)
        Sleep(100);
    EXPECT_EQ(expected, ReadWholeFile(dir / "Rillpost.xml"));
    ASSERT_TRUE(WaitForOnlyMain()) << "a window is left open after the conversion";
}

TEST_F(CfgshiftDialogTest, ReadShowsEachFolderIdInTurn) {
    TempFolder dir;
    ASSERT_TRUE(atomicfile::WriteAll((dir / "Rillpost.xml").c_str(), Expected(kIni)));
    HWND open = OpenFileDialogFrom(IDC_READ);
    ASSERT_NE(nullptr, open);
    EXPECT_EQ("Rillpost.xml", Text(FileNameBox(open)));
    EXPECT_EQ("Rillpost Config File(*.xml)", Text(GetDlgItem(open, kFileTypeCombo)));
    SetText(FileNameBox(open), (dir / "Rillpost.xml").c_str());
    Press(open, IDOK);
    for (const char* folderId : {"405fa3cb.mb\\one\\", "405fa3cb.mb\\two\\"}) {
        HWND box = WaitForWindow([](HWND hwnd) { return GetDlgItem(hwnd, kMessageBoxText) != nullptr; });
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(folderId, Text(GetDlgItem(box, kMessageBoxText)));
        Press(box, IDOK);
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(100);
    }
    EXPECT_TRUE(WaitForOnlyMain());
}

}  // namespace
