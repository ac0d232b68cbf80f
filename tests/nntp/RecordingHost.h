// A host and plug-in state that record what the reading operations do to them, for tests that
// run the operations against scripted servers.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "nntp/NewsHost.h"

class RecordingHost : public NewsHost, public NewsShared {
public:
    struct Append {
        std::string folder, text;
    };

    // NewsDisplay
    void ShowMessage(const std::string& text) override { Log("box " + text); }
    void SetHostMessage(const std::string& text) override { Log("message " + text); }
    std::string CurrentMail() override { return currentMail; }
    // NewsHost
    bool AppendMessage(const std::string& folder, const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (failAppendAfter >= 0 && appends.size() >= static_cast<size_t>(failAppendAfter))
            return false;
        appends.push_back({folder, text});
        return true;
    }
    std::string CurrentFolder() override { return currentFolder; }
    void SetCurrentFolder(const std::string& folder) override { Log("folder " + folder); }
    void SetCurrentMail(const std::string& mail) override { Log("mail " + mail); }
    void SetStatusPart(const std::string& text) override { Log("part1 " + text); }
    bool GetSource(const std::string& mail, std::string* text) override {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
            if (it->folder == mail) {
                *text = it->text;
                return true;
            }
        }
        return false;
    }
    void SetSource(const std::string& mail, const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock_);
        sources.push_back({mail, text});
        events.push_back("setsource " + mail);
    }
    std::string TempFolder() override { return tempFolder; }
    void FocusMessageList() override {}
    void ReturnArticle(const std::string& text, const std::string& inbox) override {
        std::lock_guard<std::mutex> hold(lock_);
        returned.push_back({inbox, text});
    }
    // NewsShared
    void FolderUpdateEnded(const std::string& folder) override { Log("ended " + folder); }
    void AddNewArticle(const std::string& id, const std::string& subject) override { Log("new " + id + " " + subject); }
    int MaxNum() override { return maxNum; }
    int DownloadStyle() override { return downloadStyle; }
    bool PictureRender() override { return pictureRender; }
    bool EncodeHeader() override { return encodeHeader; }
    bool PostPopup() override { return postPopup; }
    void BeginFolderRefresh(const std::string&) override { Log("offline"); }
    void EndFolderRefresh(const std::string&) override { Log("online"); }
    void RunWithSources(const std::function<void()>& write) override { write(); }
    void QueueSource(const std::string& mail, std::string text) override {
        std::lock_guard<std::mutex> hold(lock_);
        queued.push_back({mail, text});
    }
    bool SaveConfiguration() override {
        Log("save");
        return true;
    }
    bool ShowWithLocation(const std::string& mail, const std::string&, int flag) override {
        if (!hasLocation)
            return false;
        Log("geomark " + mail + " " + std::to_string(flag));
        return true;
    }

    // Back to a fresh host: nothing recorded, the defaults below.
    void Reset() {
        std::lock_guard<std::mutex> hold(lock_);
        currentMail = "mail-on-display";
        currentFolder.clear();
        hasLocation = false;
        failAppendAfter = -1;
        appends.clear();
        sources.clear();
        queued.clear();
        returned.clear();
        events.clear();
    }

    bool Saw(const std::string& event) {
        std::lock_guard<std::mutex> hold(lock_);
        for (const std::string& e : events) {
            if (e == event)
                return true;
        }
        return false;
    }

    std::string Events() {
        std::lock_guard<std::mutex> hold(lock_);
        std::string all;
        for (const std::string& e : events)
            all += e + "\n";
        return all;
    }
    // True when some event holds `part`.
    bool SawPart(const std::string& part) {
        std::lock_guard<std::mutex> hold(lock_);
        for (const std::string& e : events) {
            if (e.find(part) != std::string::npos)
                return true;
        }
        return false;
    }

    std::string currentMail = "mail-on-display";
    std::string currentFolder;
    std::string tempFolder;
    int maxNum = 100;
    int failAppendAfter = -1;  // AppendMessage fails once this many were appended (-1: never)
    int downloadStyle = 1;
    bool pictureRender = false;
    bool hasLocation = false;
    bool encodeHeader = true;
    bool postPopup = true;
    std::vector<Append> appends;  // (folder, text)
    std::vector<Append> sources;  // (mail, text), in call order
    std::vector<Append> queued;
    std::vector<Append> returned;  // (inbox, article) of each article given back
    std::vector<std::string> events;

private:
    void Log(const std::string& event) {
        std::lock_guard<std::mutex> hold(lock_);
        events.push_back(event);
    }
    std::mutex lock_;
};
