#include "ui/GroupListDocument.h"

#include "ui/ServerLocation.h"

namespace {

const char kTop[] = "Server";

}  // namespace

std::string GroupListDocument::PathBeside(const std::string& configPath) {
    size_t slash = configPath.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) + "RillpostData.xml";
}

void GroupListDocument::Load(const std::string& path) {
    path_ = path;
    LoadFile(path.c_str());
    // Kept aside at once, while nothing can have been saved over it.
    if (damage_.Inspect(path, *this))
        damage_.SetAside();
}

std::string GroupListDocument::DamageMessage() const {
    if (!damage_.IsDamaged())
        return std::string();
    std::string message = "The stored group lists in \"" + path_ + "\" could not be read";
    if (damage_.IsSetAside())
        return message + ". The file has been kept as \"" + damage_.GetBackupPath() +
               "\"; press Refresh to fetch a server's list again.";
    return message + ", and no copy of it could be made. No group list will be saved over it.";
}

int GroupListDocument::Top() const {
    int top = TopElement();
    return top && GetTagNameAt(top) == kTop ? top : 0;
}

int GroupListDocument::Find(const std::string& location) const {
    int top = Top();
    if (!top || !CanStoreGroupList(location))
        return 0;
    const std::string name = GroupListElementName(location);
    for (int index = Record(top).firstChild; index; index = Record(index).nextSibling) {
        if (IsElement(index) && GetTagNameAt(index) == name)
            return index;
    }
    return 0;
}

bool GroupListDocument::Get(const std::string& location, std::string* text) const {
    int index = Find(location);
    if (!index)
        return false;
    *text = GetTextAt(index);
    return true;
}

bool GroupListDocument::Set(const std::string& location, const std::string& text) {
    if (!CanStoreGroupList(location))
        return false;
    int index = Find(location);
    if (index)
        return SetTextAt(index, text.c_str(), false);
    int top = Top();
    if (!top) {
        // A document with some other top element has no room for ours: it starts over, as an
        // unreadable one does.
        if (TopElement())
            ParseText("");
        ResetPosition();
        if (!AddElement(kTop, nullptr, false))
            return false;
        top = TopElement();
    }
    int last = 0;
    for (int child = Record(top).firstChild; child; child = Record(child).nextSibling)
        last = child;
    if (!SetPosition(0, top, last, 1))
        return false;
    return AddChildElement(GroupListElementName(location).c_str(), text.c_str(), false);
}

bool GroupListDocument::Remove(const std::string& location) {
    int index = Find(location);
    if (!index || !SetPosition(Top(), index, 0, 1))
        return false;
    return RemoveElement();
}

bool GroupListDocument::Rename(const std::string& from, const std::string& to) {
    std::string text;
    if (!Get(from, &text) || !CanStoreGroupList(to))
        return false;
    if (from == to)
        return true;
    // Added before the old one goes; a case-only change finds the old element by its own name.
    int old = Find(from);
    int top = Top();
    int last = 0;
    for (int child = Record(top).firstChild; child; child = Record(child).nextSibling)
        last = child;
    if (!SetPosition(0, top, last, 1) || !AddChildElement(GroupListElementName(to).c_str(), text.c_str(), false))
        return false;
    if (!SetPosition(top, old, 0, 1) || !RemoveElement())
        return false;
    // A list already stored under the new name is stale: the moved one, added last, replaces it,
    // or the next Get would still find the stale one first.
    for (int stale = Find(to); stale; stale = Find(to)) {
        int newest = 0;
        for (int child = Record(top).firstChild; child; child = Record(child).nextSibling)
            newest = child;
        if (stale == newest || !SetPosition(top, stale, 0, 1) || !RemoveElement())
            break;
    }
    return true;
}

bool GroupListDocument::Save(std::string* error) {
    if (!damage_.SetAside()) {
        *error = "The group lists were not saved: the unreadable file " + path_ +
                 " could not be kept aside, and saving would overwrite it.";
        return false;
    }
    atomicfile::WriteFailure failure = atomicfile::WriteFailure::kNone;
    if (SaveFile(path_.c_str(), &failure))
        return true;
    *error = "The group lists could not be saved to " + path_ + ".";
    if (failure == atomicfile::WriteFailure::kOldLost)
        *error += " The file may now be incomplete.";
    return false;
}
