// Runs the stand-in host on a scenario from a test: a fresh work folder (data and plug-ins)
// below the test's current folder, the host executable from the test's own folder.
#pragma once

#include <string>

class StandinProcess {
public:
    // work: folder name for this run; it is emptied first.
    explicit StandinProcess(const std::string& work);

    // Copies a library from the test's own folder into the plug-ins folder; false when it is
    // not there (the test then skips).
    bool AddPlugin(const std::string& file);
    void WritePluginFile(const std::string& name, const std::string& text);
    std::string ReadPluginFile(const std::string& name) const;
    bool PluginFileExists(const std::string& name) const;

    // Runs host (an executable beside the test) on the script; returns its exit code, or -1
    // when it did not end within the time limit (it is then killed). *out gets the output.
    int Run(const std::string& script, std::string* out, const std::string& host = "Standin.exe");

private:
    std::string work_, plugins_, data_;
};
