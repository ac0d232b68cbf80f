// The one failure type of the socket layer. Thrown as a pointer to a heap object; every catcher
// deletes it after use (std::unique_ptr in this code base).
#pragma once

#include <string>

class CBlockingSocketException {
public:
    // Stores the message and the sockets layer's last error at this moment, i.e. of the failure.
    explicit CBlockingSocketException(const char* message);
    // A failure whose text is a whole sentence for the user (the secure channel's), shown as it
    // stands instead of the system's text for the code. `code` is the security status, or 0.
    CBlockingSocketException(const std::string& text, long code)
        : errorCode_(static_cast<int>(code)), message_(text), shownAsIs_(true) {}
    virtual ~CBlockingSocketException() = default;

    // "<message> error #<code>", or "<message> error" when the code is 0, cut to fit maximum.
    virtual bool GetErrorMessage(char* buffer, unsigned maximum) const;

    int GetErrorCode() const { return errorCode_; }
    const std::string& GetMessage() const { return message_; }
    bool IsShownAsIs() const { return shownAsIs_; }

private:
    int errorCode_;
    std::string message_;
    bool shownAsIs_ = false;
};
