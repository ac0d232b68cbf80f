// What the reading operations need from the mail client and from the plug-in around them. The
// NNTP code reaches neither directly: the plug-in hands it these interfaces (news/PluginNewsHost),
// and tests hand it recorders. Portable: no Win32 type appears here.
#pragma once

#include <functional>
#include <string>

#include "nntp/NewsDisplay.h"

// The host's messages, folders and status bar, as the bound host functions offer them. Called
// on worker threads.
class NewsHost : public NewsDisplay {
public:
    // Adds a message to a folder; false when the host refused it.
    virtual bool AppendMessage(const std::string& folderId, const std::string& text) = 0;
    virtual std::string CurrentFolder() = 0;
    virtual void SetCurrentFolder(const std::string& folderId) = 0;
    virtual void SetCurrentMail(const std::string& mailId) = 0;
    // Part 1 of the host window's status bar.
    virtual void SetStatusPart(const std::string& text) = 0;
    // The complete text of a message ("TEMP": the one on display); false when the host has none.
    virtual bool GetSource(const std::string& mailId, std::string* text) = 0;
    virtual void SetSource(const std::string& mailId, const std::string& text) = 0;
    // The host's temporary folder, where converted pictures are written.
    virtual std::string TempFolder() = 0;
    // Gives the keyboard focus to the message list, and brings it forward when the host's main
    // window is the foreground window.
    virtual void FocusMessageList() = 0;
    // Gives an article that was not posted back to the user, the text exactly as it was handed
    // over: reopened in a compose window (on the user-interface thread), or, where that cannot
    // be done, stored in inboxFolder (the news mailbox's inbox, never an outbox). The user is
    // told which. Returns at once; the work may still be under way.
    virtual void ReturnArticle(const std::string& text, const std::string& inboxFolder) = 0;
};

// The plug-in's shared state that the reading operations use. Every member is safe to call
// from any thread; each takes the lock its data needs.
class NewsShared {
public:
    virtual ~NewsShared() = default;
    // A status-bar update of this folder has ended (successfully or not).
    virtual void FolderUpdateEnded(const std::string& folderId) = 0;
    // Message-ID -> subject of a placeholder just added.
    virtual void AddNewArticle(const std::string& messageId, const std::string& subject) = 0;
    // The cached settings an update reads.
    virtual int MaxNum() = 0;
    virtual int DownloadStyle() = 0;
    virtual bool PictureRender() = 0;
    // The cached posting settings: rebuild header fields without encoded words, and confirm a
    // successful posting with a message box.
    virtual bool EncodeHeader() = 0;
    virtual bool PostPopup() = 0;
    // Bracket an update's making the host read its folder again, `mail` being the mail current
    // then: meanwhile opening a folder starts no update, and opening that mail fetches nothing.
    // Opening any other mail is not held off.
    virtual void BeginFolderRefresh(const std::string& mail) = 0;
    virtual void EndFolderRefresh(const std::string& mail) = 0;
    // Message-source writes are serialized by the source lock. RunWithSources runs `write` under
    // it; QueueSource adds a (mail, text) pair to the pending-source list (the caller already
    // holds the lock through RunWithSources). The text is taken over, not copied: an article
    // waits there in the buffer it was received into.
    virtual void RunWithSources(const std::function<void()>& write) = 0;
    virtual void QueueSource(const std::string& mailId, std::string text) = 0;
    // Writes the configuration file (the caller holds the configuration lock). A file that was
    // found damaged at load is set aside first, never saved over.
    virtual bool SaveConfiguration() = 0;
    // Hands a message on display to the location plug-in; false when it is not loaded.
    virtual bool ShowWithLocation(const std::string& mailId, const std::string& text, int writeAlways) = 0;
};
