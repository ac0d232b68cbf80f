// The header block of a stored message as a list of fields over the message's own text, and the
// editing rules of the header dialog. Fields that are not edited are written back byte for byte,
// and everything from the empty line on is copied from the original text, so the body is never
// re-encoded. Portable.
#pragma once

#include <string>
#include <vector>

struct HeaderField {
    std::string name;
    // The field's whole text, continuation lines included, with its final line end (none only
    // for a last line that had none).
    std::string raw;
};

struct HeaderBlock {
    std::vector<HeaderField> fields;
    std::string eol;       // the text's line end: CR LF, or LF alone
    size_t restStart = 0;  // offset of the empty line that ends the block; the text's size without one

    static HeaderBlock Parse(const std::string& text);
    // The fields followed by original's text from restStart on.
    std::string Write(const std::string& original) const;
    // Index of the first field named `name` (case ignored), or -1.
    int Find(const std::string& name) const;
};

// A field's value as the user edits it: unfolded lines joined by CR LF, leading blanks of the
// first line dropped.
std::string FieldValue(const HeaderField& field);
// A field from a typed value: empty and blank lines are dropped (they would end the block), and
// every further line is indented so that it stays a continuation line.
HeaderField MakeField(const std::string& name, const std::string& value, const std::string& eol);
// Empty when `name` may be a field name; otherwise the text telling the user why not.
std::string FieldNameError(const std::string& name);

// The header dialog's model: one row per field occurrence, in message order.
class HeaderEditor {
public:
    explicit HeaderEditor(std::string source);

    int RowCount() const { return static_cast<int>(block_.fields.size()); }
    const std::string& RowName(int row) const { return block_.fields[row].name; }
    std::string RowValue(int row) const { return FieldValue(block_.fields[row]); }

    void Select(int row) { selected_ = (row >= 0 && row < RowCount()) ? row : -1; }
    int Selected() const { return selected_; }
    // The "Content:" edit changed. The selected row's field takes the text only while a row is
    // selected and `nameEdit` still holds its name; true when the field changed.
    bool ContentTyped(const std::string& nameEdit, const std::string& content);
    // Appends a field; the error text when the name is refused (empty, not a field name, or
    // listed already, case ignored).
    std::string Add(const std::string& name, const std::string& content);
    // Removes the selected row's field; false when no row is selected.
    bool DeleteSelected();

    bool Changed() const { return changed_; }
    const std::string& Source() const { return source_; }
    // The edited message: the new header block, then the original text from the empty line on.
    std::string Write() const { return block_.Write(source_); }

private:
    std::string source_;
    HeaderBlock block_;
    int selected_ = -1;
    bool changed_ = false;
};

extern const char kFieldNameEmpty[];
extern const char kFieldExists[];
