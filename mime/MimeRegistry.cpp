#include "mime/MimeRegistry.h"

#include <utility>
#include <vector>

#include "mime/MimeBase64Coder.h"
#include "mime/MimeBody.h"
#include "mime/MimeChars.h"
#include "mime/MimeQpCoder.h"

namespace {

template <typename Factory>
class Registry {
public:
    void Register(const std::string& name, Factory factory) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (mimechars::EqualsNoCase(it->first, name)) {
                entries_.erase(it);
                break;
            }
        }
        entries_.emplace_back(name, factory);
    }
    Factory Find(const std::string& name) const {
        for (const auto& e : entries_) {
            if (mimechars::EqualsNoCase(e.first, name))
                return e.second;
        }
        return nullptr;
    }

private:
    std::vector<std::pair<std::string, Factory>> entries_;
};

template <MimeFieldCoder::Kind kind>
std::unique_ptr<MimeFieldCoder> MakeFieldCoder() {
    return std::make_unique<MimeFieldCoder>(kind);
}

Registry<BodyCoderFactory>& BodyCoders() {
    static Registry<BodyCoderFactory> registry = [] {
        Registry<BodyCoderFactory> r;
        r.Register("quoted-printable", []() -> std::unique_ptr<MimeCoder> { return std::make_unique<MimeQpCoder>(); });
        r.Register("base64", []() -> std::unique_ptr<MimeCoder> { return std::make_unique<MimeBase64Coder>(true); });
        return r;
    }();
    return registry;
}

Registry<FieldCoderFactory>& FieldCoders() {
    static Registry<FieldCoderFactory> registry = [] {
        Registry<FieldCoderFactory> r;
        for (const char* name : {"Subject", "Comments", "Content-Description"})
            r.Register(name, MakeFieldCoder<MimeFieldCoder::kText>);
        for (const char* name :
             {"From", "To", "Resent-To", "Cc", "Resent-Cc", "Bcc", "Resent-Bcc", "Reply-To", "Resent-Reply-To"})
            r.Register(name, MakeFieldCoder<MimeFieldCoder::kAddress>);
        for (const char* name : {"Content-Type", "Content-Disposition"})
            r.Register(name, MakeFieldCoder<MimeFieldCoder::kParameter>);
        return r;
    }();
    return registry;
}

Registry<BodyFactory>& Bodies() {
    static Registry<BodyFactory> registry;
    return registry;
}

}  // namespace

std::unique_ptr<MimeCoder> CreateBodyCoder(const std::string& encodingName) {
    BodyCoderFactory factory = BodyCoders().Find(encodingName);
    if (factory)
        return factory();
    return std::make_unique<MimeCopyCoder>();
}

std::unique_ptr<MimeFieldCoder> CreateFieldCoder(const std::string& fieldName) {
    FieldCoderFactory factory = FieldCoders().Find(fieldName);
    if (factory)
        return factory();
    return std::make_unique<MimeFieldCoder>(MimeFieldCoder::kPlain);
}

std::unique_ptr<MimeBody> CreateBody(const std::string& mainType) {
    BodyFactory factory = Bodies().Find(mainType);
    if (factory)
        return factory();
    return std::make_unique<MimeBody>();
}

void RegisterBodyCoder(const std::string& encodingName, BodyCoderFactory factory) {
    BodyCoders().Register(encodingName, factory);
}

void RegisterFieldCoder(const std::string& fieldName, FieldCoderFactory factory) {
    FieldCoders().Register(fieldName, factory);
}

void RegisterBody(const std::string& mainType, BodyFactory factory) {
    Bodies().Register(mainType, factory);
}
