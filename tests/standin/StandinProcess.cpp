#include "StandinProcess.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string CurrentFolder() {
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    std::string s = path;
    return s.back() == '\\' ? s : s + "\\";
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + "\\");
            else
                DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

StandinProcess::StandinProcess(const std::string& work) {
    work_ = CurrentFolder() + work + "\\";
    RemoveTree(work_);
    CreateDirectoryA(work_.c_str(), nullptr);
    plugins_ = work_ + "plugins\\";
    data_ = work_ + "data\\";
    CreateDirectoryA(plugins_.c_str(), nullptr);
}

bool StandinProcess::AddPlugin(const std::string& file) {
    return CopyFileA((OwnFolder() + file).c_str(), (plugins_ + file).c_str(), FALSE) != 0;
}

void StandinProcess::WritePluginFile(const std::string& name, const std::string& text) {
    WriteAll(plugins_ + name, text);
}

std::string StandinProcess::ReadPluginFile(const std::string& name) const {
    return ReadAll(plugins_ + name);
}

bool StandinProcess::PluginFileExists(const std::string& name) const {
    return GetFileAttributesA((plugins_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int StandinProcess::Run(const std::string& script, std::string* out, const std::string& host) {
    std::string scriptPath = work_ + "scenario.txt", outPath = work_ + "scenario.out";
    WriteAll(scriptPath, script);
    DeleteFileA(outPath.c_str());
    // No argument ends with a backslash: before a closing quote it would escape the quote.
    auto arg = [](const std::string& path) { return " \"" + path.substr(0, path.find_last_not_of('\\') + 1) + "\""; };
    std::string command = arg(OwnFolder() + host).substr(1) + " --data" + arg(data_) + " --clean-data --plugins" +
                          arg(plugins_) + " --temp" + arg(work_) + " --script" + arg(scriptPath) + " --out" +
                          arg(outPath);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -2;
    int code = -1;
    if (WaitForSingleObject(pi.hProcess, 90000) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(pi.hProcess, &exitCode);
        code = static_cast<int>(exitCode);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    *out = ReadAll(outPath);
    return code;
}
