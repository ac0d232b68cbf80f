#include "nntp/BlockingSocketException.h"

#include <winsock2.h>

#include "nntp/NntpText.h"

CBlockingSocketException::CBlockingSocketException(const char* message)
    : errorCode_(WSAGetLastError()), message_(message) {}

bool CBlockingSocketException::GetErrorMessage(char* buffer, unsigned maximum) const {
    return FormatSocketError(message_.c_str(), errorCode_, buffer, maximum);
}
