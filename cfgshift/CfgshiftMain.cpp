// Entry point. Without arguments the program is the converter dialog; with arguments it converts
// one file without any window and reports on the console, so that profiles can be migrated by
// script:  Cfgshift.exe <file.ini> [<file.xml>]
// Exit codes: 0 converted, 1 the INI file could not be read or the XML file not written, 2 usage.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cfgshift/CfgshiftDialog.h"
#include "cfgshift/ConfigConversion.h"

namespace {

const char kUsage[] =
    "Usage: Cfgshift.exe <file.ini> [<file.xml>]\r\n"
    "Converts an old Rillpost INI configuration to XML. Without <file.xml> the output is the INI\r\n"
    "file's name with the extension \".xml\", in the INI file's folder.";

// Writes a line to the inherited standard handle or, for a program started from a console
// without redirection, to that console. Errors with nowhere to go become a message box;
// other reports are then dropped, so that a script never waits for a click.
void Report(const std::string& text, bool error) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    HANDLE console = INVALID_HANDLE_VALUE;
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
        out = console;
    }
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        const std::string line = text + "\r\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else if (error) {
        MessageBoxA(nullptr, text.c_str(), "Cfgshift", MB_OK | MB_ICONERROR);
    }
    if (console != INVALID_HANDLE_VALUE)
        CloseHandle(console);
}

int RunCommandLine(int argc, char** argv) {
    const std::string first = argv[1];
    if (first == "/?" || first == "-?" || first == "-h" || first == "--help") {
        Report(kUsage, false);
        return 0;
    }
    if (argc > 3) {
        Report(kUsage, true);
        return 2;
    }
    const std::string iniPath = first;
    const std::string xmlPath = argc == 3 ? std::string(argv[2]) : cfgshift::XmlPathFor(iniPath);
    std::vector<std::string> leftOut;
    const cfgshift::ConvertResult result = cfgshift::ConvertFile(iniPath, xmlPath, &leftOut);
    const bool ok = result == cfgshift::ConvertResult::kOk;
    Report(cfgshift::DescribeResult(result, iniPath, xmlPath, leftOut), !ok);
    return ok ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc > 1)
        return RunCommandLine(__argc, __argv);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CCfgshiftDialog dialog(instance);
    dialog.Run(nullptr);
    return 0;
}
