#include "mime/MimeMessage.h"

MimeMessage::~MimeMessage() = default;
