// Standin.exe: a small mail client that loads plug-ins from a folder, for trying them by hand
// and for scripted scenarios (docs/standin-script.md).
//   Standin.exe [--data DIR] [--plugins DIR] [--temp DIR] [--clean-data]
//               [--script FILE [--out FILE] [--keep-open] [--resume LINE]]
//   Standin.exe --help   prints these options and the scenario commands
// A scenario that restarts the client ends this process with exit code 3 after its "restart:
// line N" output; the caller runs the host again with --resume N on the same folders.
// The version text that BKA_GetVersion reports is fixed at build time (STANDIN_VERSION), so
// that host variants for the binding tests are separate programs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "standin/MainWindow.h"
#include "standin/ScriptRunner.h"
#include "standin/StandinHost.h"

#ifndef STANDIN_VERSION
#define STANDIN_VERSION "2.00.06"
#endif

namespace {

const char kUsage[] =
    "Standin.exe [--data DIR] [--plugins DIR] [--temp DIR] [--clean-data] [--script FILE [--out FILE] "
    "[--keep-open] [--resume LINE]]";

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    if (!GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr))
        return path;
    return full;
}

void DeleteTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(dir + "\\" + name);
            else
                DeleteFileA((dir + "\\" + name).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    std::string data = ExeFolder() + "Data", plugins = ExeFolder() + "PlugIns", temp, script, out;
    bool keepOpen = false;
    bool cleanData = false;
    int resumeLine = 0;
    for (int i = 1; i < __argc; ++i) {
        std::string arg = __argv[i];
        std::string next = i + 1 < __argc ? __argv[i + 1] : std::string();
        if (arg == "--data" && !next.empty())
            data = next, ++i;
        else if (arg == "--plugins" && !next.empty())
            plugins = next, ++i;
        else if (arg == "--temp" && !next.empty())
            temp = next, ++i;
        else if (arg == "--script" && !next.empty())
            script = next, ++i;
        else if (arg == "--out" && !next.empty())
            out = next, ++i;
        else if (arg == "--keep-open")
            keepOpen = true;
        else if (arg == "--resume" && !next.empty())
            resumeLine = atoi(next.c_str()), ++i;
        else if (arg == "--clean-data")
            cleanData = true;
        else if (arg == "--help") {
            printf("%s\nScenario commands (docs/standin-script.md):\n%s", kUsage, ScriptRunner::CommandHelp().c_str());
            return 0;
        } else {
            // No message box: an unattended run must not wait for a click.
            fprintf(stderr, "Standin: unknown argument %s\n%s\n", arg.c_str(), kUsage);
            return 2;
        }
    }
    StandinHost& host = StandinHost::Instance();
    host.version = STANDIN_VERSION;
    host.uiThread = GetCurrentThreadId();
    if (temp.empty()) {
        char path[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, path);
        temp = path;
    }
    if (temp.back() != '\\' && temp.back() != '/')
        temp += '\\';
    host.tempFolder = FullPath(temp);
    // Scenarios start from an empty data folder when asked to; nothing is removed otherwise.
    if (cleanData)
        DeleteTree(FullPath(data));
    if (!host.store.Open(FullPath(data))) {
        fprintf(stderr, "Standin: cannot use the data folder %s\n", data.c_str());
        return 2;
    }

    ScriptRunner runner;
    if (!script.empty()) {
        ScriptRunner::Options options;
        options.scriptPath = script;
        options.outPath = out.empty() ? script + ".out" : out;
        options.dataFolder = host.store.Root();
        options.pluginFolder = FullPath(plugins);
        options.keepOpen = keepOpen;
        options.resumeLine = resumeLine;
        std::string error;
        if (!runner.Load(options, &error)) {
            HANDLE f = CreateFileA(options.outPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (f != INVALID_HANDLE_VALUE) {
                error = "error: " + error + "\r\nresult: failed\r\n";
                DWORD done;
                WriteFile(f, error.data(), static_cast<DWORD>(error.size()), &done, nullptr);
                CloseHandle(f);
            }
            return 2;
        }
    }

    MainWindow window;
    host.window = &window;
    if (!window.Create(instance, show))
        return 2;
    if (script.empty() || !runner.HasStart())
        window.StartPlugins(FullPath(plugins));
    if (!script.empty() && !runner.Start(&window))
        return 2;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The windows are gone; only now may the plug-in code they were subclassed with go.
    host.window = nullptr;
    host.plugins.Unload();
    return window.exitCode;
}
