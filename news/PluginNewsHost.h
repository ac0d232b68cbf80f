// The reading operations' view of the mail client and of the plug-in's shared state, built on
// the bound host functions and the process-wide objects of NewsState.h. One instance of each
// serves every worker (they keep no state of their own).
#pragma once

#include "nntp/NewsHost.h"

class PluginNewsHost : public NewsHost {
public:
    void ShowMessage(const std::string& text) override;
    void SetHostMessage(const std::string& text) override;
    std::string CurrentMail() override;
    bool AskTrustCertificate(const std::string& server,
                             const std::string& problem,
                             const std::string& fingerprint,
                             const std::string& subject) override;
    bool AppendMessage(const std::string& folderId, const std::string& text) override;
    std::string CurrentFolder() override;
    void SetCurrentFolder(const std::string& folderId) override;
    void SetCurrentMail(const std::string& mailId) override;
    void SetStatusPart(const std::string& text) override;
    bool GetSource(const std::string& mailId, std::string* text) override;
    void SetSource(const std::string& mailId, const std::string& text) override;
    std::string TempFolder() override;
    void FocusMessageList() override;
    void ReturnArticle(const std::string& text, const std::string& inboxFolder) override;
};

class PluginNewsShared : public NewsShared {
public:
    void FolderUpdateEnded(const std::string& folderId) override;
    void AddNewArticle(const std::string& messageId, const std::string& subject) override;
    int MaxNum() override;
    int DownloadStyle() override;
    bool PictureRender() override;
    bool EncodeHeader() override;
    bool PostPopup() override;
    void BeginFolderRefresh(const std::string& mail) override;
    void EndFolderRefresh(const std::string& mail) override;
    void RunWithSources(const std::function<void()>& write) override;
    void QueueSource(const std::string& mailId, std::string text) override;
    bool ShowWithLocation(const std::string& mailId, const std::string& text, int writeAlways) override;
    bool SaveConfiguration() override;
};

PluginNewsHost& ThePluginHost();
PluginNewsShared& ThePluginShared();

// A NewsContext for one operation of the plug-in.
struct NewsContext;
NewsContext PluginNewsContext();
