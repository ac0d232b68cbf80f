// The one failure type of the socket layer. Thrown as a pointer to a heap object; every catcher
// deletes it after use (std::unique_ptr in this code base).
#pragma once

#include <string>

class CBlockingSocketException {
public:
    // Stores the message and the sockets layer's last error at this moment, i.e. of the failure.
    explicit CBlockingSocketException(const char* message);
    virtual ~CBlockingSocketException() = default;

    // "<message> error #<code>", or "<message> error" when the code is 0, cut to fit maximum.
    virtual bool GetErrorMessage(char* buffer, unsigned maximum) const;

    int GetErrorCode() const { return errorCode_; }
    const std::string& GetMessage() const { return message_; }

private:
    int errorCode_;
    std::string message_;
};
