// The three registries that pick a coder by transfer-encoding name, a field coder by field name
// and a body class by media main type. They are filled with the standard entries on first use;
// register further entries at start-up, before other threads use the model.
#pragma once

#include <memory>
#include <string>

#include "mime/MimeCoder.h"
#include "mime/MimeFieldCoder.h"

class MimeBody;

using BodyCoderFactory = std::unique_ptr<MimeCoder> (*)();
using FieldCoderFactory = std::unique_ptr<MimeFieldCoder> (*)();
using BodyFactory = std::unique_ptr<MimeBody> (*)();

// Names compare ignoring case. Unknown names give the copying coder, the plain field coder and a
// plain MimeBody. The caller owns what it gets.
std::unique_ptr<MimeCoder> CreateBodyCoder(const std::string& encodingName);
std::unique_ptr<MimeFieldCoder> CreateFieldCoder(const std::string& fieldName);
std::unique_ptr<MimeBody> CreateBody(const std::string& mainType);

// Registering a name replaces an existing entry of that name.
void RegisterBodyCoder(const std::string& encodingName, BodyCoderFactory factory);
void RegisterFieldCoder(const std::string& fieldName, FieldCoderFactory factory);
void RegisterBody(const std::string& mainType, BodyFactory factory);
