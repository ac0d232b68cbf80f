// Joining several stored messages into one: the order of the parts and the new message's text.
// Works on the messages' own bytes, so no body is re-encoded. Portable.
#pragma once

#include <string>
#include <vector>

struct CombinePart {
    std::string mailId;
    std::string source;
    std::string subject;  // decoded, as the list shows it
};

// The Subject of a message's text, unfolded and decoded; empty when it has none.
std::string MessageSubject(const std::string& source);
// A placeholder whose article is not in it: never retrieved (X-RILLPOST-FLAG "FALSE") or still
// being retrieved ("TRUE").
bool IsPlaceholder(const std::string& source);

// Case-insensitive order in which runs of digits compare by their value, so that "2/12" comes
// before "10/12". Negative, 0 or positive.
int CompareSubjects(const std::string& a, const std::string& b);
void SortParts(std::vector<CombinePart>* parts);

enum class RowMove { kUp, kDown, kTop, kBottom };
// Moves row `selected` of rows; the row's new index, or -1 when nothing moved (no selection,
// or already first for kUp/kTop, last for kDown/kBottom).
template <typename T>
int MoveRow(std::vector<T>* rows, int selected, RowMove move) {
    int count = static_cast<int>(rows->size());
    if (selected < 0 || selected >= count)
        return -1;
    bool up = move == RowMove::kUp || move == RowMove::kTop;
    if ((up && selected == 0) || (!up && selected == count - 1))
        return -1;
    int target = move == RowMove::kUp ? selected - 1 : move == RowMove::kDown ? selected + 1 : up ? 0 : count - 1;
    T row = std::move((*rows)[selected]);
    rows->erase(rows->begin() + selected);
    rows->insert(rows->begin() + target, std::move(row));
    return target;
}

// The combined message: the first part's header block without the placeholder fields and with
// `subject` as its Subject, then every part's body in order. A body that does not end with a
// line break gets one before the next body.
std::string CombineMessages(const std::vector<const std::string*>& sources, const std::string& subject);

// The combined message for a file joined from its parts: the first part's header block without
// the placeholder fields and the fields of its own content, with `subject` as its Subject; then
// a text part saying what was joined and the file as a base64 part named `fileName` (an image
// type for picture names, so that it is shown as a picture).
std::string CombineFileMessage(const std::string& firstSource,
                               const std::string& subject,
                               const std::string& fileName,
                               const std::string& bytes,
                               int parts);
